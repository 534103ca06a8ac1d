#pragma once
// The transmissions window: a log of a data exchange. It appends the object
// of every "DataSent" notification in blue and of every "DataReceived" one in
// red, one line each, always on the main thread and in the order handled.
// Observation starts when the window is made and ends when it is first
// closed. One shared instance, made on first use.

#include "platform/AttributedString.h"

#include <QWidget>

#include <memory>

class QTextEdit;

class QMRawTransmissionsWindowController : public QWidget {
    Q_OBJECT
public:
    static QMRawTransmissionsWindowController* rawTransmissionsWindowController();
    static void showTransmissionsWindow();
    static bool rawTransmissionsWindowControllerVisible();
    static ts::Attributes sentAttributes();
    static ts::Attributes receivedAttributes();

    QMRawTransmissionsWindowController();
    ~QMRawTransmissionsWindowController() override;

    // Appends the text on the main queue; an empty text adds nothing.
    void insertLogOnMainThread(const QString& text, const ts::Attributes& attributes);
    QTextEdit* transmittedDataField() const { return transmittedDataField_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void stopObserving();

    QTextEdit* transmittedDataField_ = nullptr;
    std::shared_ptr<int> observerOwner_;
};
