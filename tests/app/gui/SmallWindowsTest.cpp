#include "AppTestSupport.h"

#include "app/gui/QMRawTransmissionsWindowController.h"
#include "app/gui/TSAboutBoxController.h"
#include "platform/Color.h"
#include "platform/NotificationCenter.h"

#include <QLabel>
#include <QTextBrowser>
#include <QTextEdit>

#include <gtest/gtest.h>

TEST(AboutBox, VersionCopyrightAndCredits) {
    AppHarness::get();
    TSAboutBoxController box;
    EXPECT_EQ(box.appVersion()->text(), "Version: " + TSAboutBoxController::kShortVersion + " (" +
                                            TSAboutBoxController::kBundleVersion + ")");
    EXPECT_EQ(box.copyrightField()->text(), TSAboutBoxController::kCopyright);
    EXPECT_TRUE(box.informationView()->toPlainText().contains("hunspell"));

    // A bundle without credits shows the version and an empty view.
    const QString empty = AppHarness::home() + "/emptyresources";
    QDir().mkpath(empty);
    qputenv("TS_RESOURCES_DIR", empty.toUtf8());
    TSAboutBoxController bare;
    qunsetenv("TS_RESOURCES_DIR");
    EXPECT_TRUE(bare.informationView()->toPlainText().isEmpty());
    EXPECT_FALSE(bare.appVersion()->text().isEmpty());
}

TEST(TransmissionsWindow, OneColouredLinePerNotificationUntilFirstClosed) {
    AppHarness::get();
    EXPECT_FALSE(QMRawTransmissionsWindowController::rawTransmissionsWindowControllerVisible());
    QMRawTransmissionsWindowController* w = QMRawTransmissionsWindowController::rawTransmissionsWindowController();
    EXPECT_EQ(QMRawTransmissionsWindowController::rawTransmissionsWindowController(), w);
    auto& center = ts::NotificationCenter::defaultCenter();
    center.post("DataSent", nullptr, {{"object", ts::Value("amicus")}});
    center.post("DataReceived");
    w->insertLogOnMainThread(QString(), QMRawTransmissionsWindowController::sentAttributes());
    drainEvents();
    EXPECT_EQ(w->transmittedDataField()->toPlainText(), "amicus\n(null)\n");
    const auto colour = [&](int position) {
        QTextCursor c(w->transmittedDataField()->document());
        c.setPosition(position + 1);
        return c.charFormat().foreground().color();
    };
    EXPECT_GT(colour(0).blue(), colour(0).red());
    EXPECT_GT(colour(8).red(), colour(8).blue());

    QMRawTransmissionsWindowController::showTransmissionsWindow();
    EXPECT_TRUE(QMRawTransmissionsWindowController::rawTransmissionsWindowControllerVisible());
    w->close();
    center.post("DataSent", nullptr, {{"object", ts::Value("later")}});
    drainEvents();
    EXPECT_FALSE(w->transmittedDataField()->toPlainText().contains("later"));
}
