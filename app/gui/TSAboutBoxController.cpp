#include "app/gui/TSAboutBoxController.h"

#include "app/core/TSBundle.h"
#include "platform/Format.h"
#include "platform/Rtf.h"
#include "platform/gui/PanelEscape.h"
#include "platform/gui/RichTextConversion.h"

#include <QFile>
#include <QLabel>
#include <QPalette>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#ifndef TS_VERSION
#define TS_VERSION "0.1.0"
#endif
#ifndef TS_BUILD_NUMBER
#define TS_BUILD_NUMBER "1"
#endif

const QString TSAboutBoxController::kCopyright = QStringLiteral("Copyright © 2026 The Tessarin developers");
const QString TSAboutBoxController::kShortVersion = QStringLiteral(TS_VERSION);
const QString TSAboutBoxController::kBundleVersion = QStringLiteral(TS_BUILD_NUMBER);

QString TSAboutBoxController::versionText() {
    return ts::format(QStringLiteral("Version: %@ (%@)"), kShortVersion, kBundleVersion);
}

TSAboutBoxController::TSAboutBoxController() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("TSAboutBoxController"));
    setWindowTitle(TSBundle::localizedString(QStringLiteral("About Tessarin")));
    ts::closeOnEscape(this);
    auto* name = new QLabel(TSBundle::localizedString(QStringLiteral("Tessarin")));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 2.0);
    big.setBold(true);
    name->setFont(big);
    name->setAlignment(Qt::AlignCenter);
    appVersion_ = new QLabel;
    appVersion_->setAlignment(Qt::AlignCenter);
    copyrightField_ = new QLabel;
    copyrightField_->setAlignment(Qt::AlignCenter);
    informationView_ = new QTextBrowser;
    informationView_->setOpenExternalLinks(true);
    informationView_->setMinimumHeight(160);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(appVersion_);
    layout->addWidget(informationView_, 1);
    layout->addWidget(copyrightField_);
    resize(440, 420);
    windowDidLoad();
}

void TSAboutBoxController::windowDidLoad() {
    const QString credits = TSBundle::pathForResource(QStringLiteral("Credits"), QStringLiteral("rtf"));
    if (!credits.isEmpty()) {
        QFile file(credits);
        if (file.open(QIODevice::ReadOnly)) {
            const ts::RtfReadResult read = ts::readRtf(file.readAll());
            if (read) {
                QTextDocument* document = informationView_->document();
                RichTextConversion::toTextDocument(read.text, *document);
                QTextCursor all(document);
                all.select(QTextCursor::Document);
                QTextCharFormat colour;
                colour.setForeground(palette().color(QPalette::Text));
                all.mergeCharFormat(colour);
                // Filling the document leaves the view at its end; a reader starts at the top.
                informationView_->moveCursor(QTextCursor::Start);
                informationView_->ensureCursorVisible();
            }
        }
    }
    appVersion_->setText(versionText());
    copyrightField_->setText(kCopyright);
}
