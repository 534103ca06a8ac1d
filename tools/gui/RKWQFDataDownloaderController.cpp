#include "tools/gui/RKWQFDataDownloaderController.h"

#include "platform/gui/PanelEscape.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

RKWQFDataDownloaderController::RKWQFDataDownloaderController(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(tr("Macronizer"));
    statusField = new QLabel(WebMacronizer::stateName(WebMacronizer::InvalidState), this);
    statusField->setWordWrap(true);
    statusField->setMinimumWidth(320);
    progressIndicator = new QProgressBar(this);
    progressIndicator->setRange(0, 0);  // the service tells nothing of its progress
    progressIndicator->setTextVisible(false);
    progressIndicator->setMaximumHeight(10);
    progressIndicator->hide();
    cancelButton = new QPushButton(tr("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(statusField);
    layout->addWidget(progressIndicator);
    layout->addLayout(buttons);
    connect(&macronizer_, &WebMacronizer::stateChanged, statusField,
            [this](int, const QString& name) { statusField->setText(name); });
    // Cancel stops a running request; once nothing runs, the button closes
    // the window.
    connect(cancelButton, &QPushButton::clicked, this, [this] {
        if (macronizer_.isRunning()) macronizer_.cancel();
        else close();
    });
    // Escape is the Cancel button: it stops a run, and closes the window
    // once the run has ended.
    ts::closeOnEscape(this, [this] { cancelButton->click(); });
}

void RKWQFDataDownloaderController::startLookup() {
    cancelButton->setText(tr("Cancel"));
    progressIndicator->show();
    QPointer<RKWQFDataDownloaderController> self(this);
    const quint64 run = ++runs_;
    macronizer_.macronize(parseString_, [self, run](const MacronizerResult& result) {
        // A run superseded by a newer one leaves the window, its object and
        // its delegate to the newer run.
        if (self && self->runs_ == run) self->delivered(result);
    });
}

void RKWQFDataDownloaderController::delivered(const MacronizerResult& result) {
    progressIndicator->hide();
    const ts::ObjectPtr object = std::move(macronizedObject_);
    macronizedObject_.reset();
    if (!result.ok) {
        statusField->setText(result.cancelled ? result.message
                                              : result.message + QLatin1Char('\n') + tr("Nothing was changed."));
        // The message is longer than a state's name: the window grows to
        // show all of it.
        cancelButton->setText(tr("Close"));
        layout()->activate();
        resize(width(), std::max(height(), sizeHint().height()));
    }
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
