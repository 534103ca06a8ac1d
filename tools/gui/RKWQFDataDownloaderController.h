#pragma once
// The web macronizer's small window: shows the state of a WebMacronizer
// run ("Loading", "Processing", "Copying", "Finished") and hands the result
// to its delegate, then closes itself half a second later. A failed run
// leaves the window open, saying why and that nothing was changed.
//
// A document keeps one and uses it in this order: setMacronizerDelegate,
// optionally setMacronizedObject, setParseString, show(), startLookup().
// The delegate gets textMacronized (text, object) on success and
// macronizeFailed (message, object) otherwise; a delegate that has gone
// away gets nothing. The document then writes the text back itself (see
// Macronizer.h; TextRangeMacronizer does it for a QTextEdit).
//
// Threads: main thread.

#include "tools/Macronizer.h"
#include "tools/net/WebMacronizer.h"

#include <QWidget>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

class RKWQFDataDownloaderController : public QWidget {
    Q_OBJECT
public:
    explicit RKWQFDataDownloaderController(QWidget* parent = nullptr);

    void setMacronizerDelegate(std::weak_ptr<MacronizerProtocol> delegate) { delegate_ = std::move(delegate); }
    void setMacronizedObject(ts::ObjectPtr object) { macronizedObject_ = std::move(object); }
    ts::ObjectPtr macronizedObject() const { return macronizedObject_; }
    void setParseString(const QString& text) { parseString_ = text; }
    QString parseString() const { return parseString_; }
    // Starts the run; returns at once.
    void startLookup();
    int currentState() const { return macronizer_.currentState(); }
    WebMacronizer& macronizer() { return macronizer_; }

    QLabel* statusField = nullptr;
    QProgressBar* progressIndicator = nullptr;  // busy while a request runs
    QPushButton* cancelButton = nullptr;

private:
    void delivered(const MacronizerResult& result);

    WebMacronizer macronizer_;
    std::weak_ptr<MacronizerProtocol> delegate_;
    ts::ObjectPtr macronizedObject_;
    QString parseString_;
    quint64 runs_ = 0;
};
