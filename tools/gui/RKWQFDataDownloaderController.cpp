#include "tools/gui/RKWQFDataDownloaderController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

RKWQFDataDownloaderController::RKWQFDataDownloaderController(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("Macronizer"));
    statusField = new QLabel(WebMacronizer::stateName(WebMacronizer::InvalidState), this);
    statusField->setWordWrap(true);
    statusField->setMinimumWidth(320);
    cancelButton = new QPushButton(tr("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(statusField);
    layout->addLayout(buttons);
    connect(&macronizer_, &WebMacronizer::stateChanged, statusField,
            [this](int, const QString& name) { statusField->setText(name); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { macronizer_.cancel(); });
}

void RKWQFDataDownloaderController::startLookup() {
    QPointer<RKWQFDataDownloaderController> self(this);
    const quint64 run = ++runs_;
    macronizer_.macronize(parseString_, [self, run](const MacronizerResult& result) {
        // A run superseded by a newer one leaves the window, its object and
        // its delegate to the newer run.
        if (self && self->runs_ == run) self->delivered(result);
    });
}

void RKWQFDataDownloaderController::delivered(const MacronizerResult& result) {
    const ts::ObjectPtr object = std::move(macronizedObject_);
    macronizedObject_.reset();
    if (!result.ok) statusField->setText(result.cancelled ? result.message
                                                          : result.message + QLatin1Char('\n') + tr("Nothing was changed."));
    if (const std::shared_ptr<MacronizerProtocol> delegate = delegate_.lock()) {
        if (result.ok) delegate->textMacronized(result.text, object);
        else if (!result.cancelled) delegate->macronizeFailed(result.message, object);
    }
    // A failure stays on screen until the user has read it and closes the
    // window; only a finished or cancelled run closes it by itself.
    if (!result.ok && !result.cancelled) return;
    QPointer<RKWQFDataDownloaderController> self(this);
    QTimer::singleShot(500, this, [self] {
        if (self) self->close();
    });
}
