#include "AppTestSupport.h"

#include "app/core/Preferences.h"
#include "dictionaries/DictionaryController.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/Mailer.h"
#include "platform/UserDefaults.h"

#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

// Runs last: the quit sequence of the launched application.
TEST(AppQuit, StopsTheAnalyserSavesDictionariesAndSettingsAndCleansMail) {
    AppHarness& h = AppHarness::get();
    const qint64 pid = DictionaryController::dictionary()->processId();
    ASSERT_GT(pid, 0);
    Preferences::preferences()->setNumberBySubsection(true);
    const QString mailFolder = ts::Mailer::shared().temporaryFolder();
    ASSERT_TRUE(QFileInfo(mailFolder).isDir());
    h.capture->take();

    EXPECT_TRUE(h.controller->applicationShouldTerminate());

    QStringList steps;
    for (const QString& m : h.capture->messages())
        if (m.startsWith("Quit: ")) steps << m.mid(6);
    EXPECT_EQ(steps, (QStringList{"analyser stopped", "dictionaries saved", "settings saved", "observers removed"}));
    for (QDeadlineTimer ceiling(60000); !ceiling.hasExpired() && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));)
        QThread::msleep(20);
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)));
    EXPECT_EQ(h.dictionarySaves, 1);
    EXPECT_FALSE(QFileInfo::exists(mailFolder));

    // The settings on disk, read by a fresh reader, hold the change.
    ts::UserDefaults fresh(ts::UserDefaults::standardFilePath());
    const ts::Value stored = ts::KeyedUnarchiver::unarchive(fresh.dataForKey("Preferences"), Preferences::archiveClasses());
    const auto prefs = stored.toObjectAs<Preferences>();
    ASSERT_TRUE(prefs);
    EXPECT_TRUE(prefs->numberBySubsection());

    // A second request does not run the sequence again.
    EXPECT_TRUE(h.controller->applicationShouldTerminate());
    EXPECT_EQ(h.dictionarySaves, 1);
}
