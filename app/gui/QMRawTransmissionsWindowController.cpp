#include "app/gui/QMRawTransmissionsWindowController.h"

#include "app/core/TSBundle.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/NotificationCenter.h"
#include "platform/gui/PanelEscape.h"
#include "platform/gui/RichTextConversion.h"
#include "platform/gui/WindowFrame.h"

#include <QCloseEvent>
#include <QPointer>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

QMRawTransmissionsWindowController* gShared = nullptr;

QString payload(const ts::Notification& n) {
    const auto it = n.userInfo.find(QStringLiteral("object"));
    if (it == n.userInfo.end() || it->second.isNull()) return QStringLiteral("(null)");
    return it->second.isString() ? it->second.toString() : it->second.description();
}

}  // namespace

QMRawTransmissionsWindowController* QMRawTransmissionsWindowController::rawTransmissionsWindowController() {
    if (!gShared) gShared = new QMRawTransmissionsWindowController;
    return gShared;
}

void QMRawTransmissionsWindowController::showTransmissionsWindow() {
    QMRawTransmissionsWindowController* c = rawTransmissionsWindowController();
    c->show();
    c->raise();
}

bool QMRawTransmissionsWindowController::rawTransmissionsWindowControllerVisible() {
    return gShared && gShared->isVisible();
}

ts::Attributes QMRawTransmissionsWindowController::sentAttributes() {
    ts::Attributes a;
    a[ts::AttributeName::Font] = ts::Value(ts::Font::make(QStringLiteral("Helvetica"), 12.0));
    a[ts::AttributeName::ForegroundColor] = ts::Value(ts::Color::systemBlueColor());
    return a;
}

ts::Attributes QMRawTransmissionsWindowController::receivedAttributes() {
    ts::Attributes a;
    a[ts::AttributeName::Font] = ts::Value(ts::Font::make(QStringLiteral("Helvetica"), 12.0));
    a[ts::AttributeName::ForegroundColor] = ts::Value(ts::Color::systemRedColor());
    return a;
}

QMRawTransmissionsWindowController::QMRawTransmissionsWindowController() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("RawTransmissionsWindowController"));
    setWindowTitle(TSBundle::localizedString(QStringLiteral("Communications")));
    ts::closeOnEscape(this);
    transmittedDataField_ = new QTextEdit;
    transmittedDataField_->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(transmittedDataField_);
    resize(520, 360);
    ts::WindowFrame::autosave(this, QStringLiteral("RawTransmissionsWindowController"));

    observerOwner_ = std::make_shared<int>(0);
    QPointer<QMRawTransmissionsWindowController> self(this);
    auto& center = ts::NotificationCenter::defaultCenter();
    center.addObserver(std::weak_ptr<const void>(observerOwner_), QStringLiteral("DataSent"), nullptr,
                       [self](const ts::Notification& n) {
                           if (self) self->insertLogOnMainThread(payload(n) + QLatin1Char('\n'), sentAttributes());
                       });
    center.addObserver(std::weak_ptr<const void>(observerOwner_), QStringLiteral("DataReceived"), nullptr,
                       [self](const ts::Notification& n) {
                           if (self) self->insertLogOnMainThread(payload(n) + QLatin1Char('\n'), receivedAttributes());
                       });
}

QMRawTransmissionsWindowController::~QMRawTransmissionsWindowController() {
    stopObserving();
    if (gShared == this) gShared = nullptr;
}

void QMRawTransmissionsWindowController::stopObserving() { observerOwner_.reset(); }

void QMRawTransmissionsWindowController::closeEvent(QCloseEvent* event) {
    stopObserving();
    QWidget::closeEvent(event);
}

void QMRawTransmissionsWindowController::insertLogOnMainThread(const QString& text, const ts::Attributes& attributes) {
    QPointer<QMRawTransmissionsWindowController> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, text, attributes] {
            if (!self || text.isEmpty()) return;
            QTextCursor cursor(self->transmittedDataField_->document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(text, RichTextConversion::charFormat(attributes));
        },
        Qt::QueuedConnection);
}
