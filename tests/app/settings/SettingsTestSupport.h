#pragma once
// A private home for each test: HOME and the XDG folders point into a
// temporary folder, and the shared settings, user defaults and bundle caches
// start afresh.

#include "support/Python.h"
#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "platform/UserDefaults.h"

#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class TemporaryHome : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        saved_ = {qgetenv("HOME"), qgetenv("XDG_CONFIG_HOME"), qgetenv("XDG_DATA_HOME")};
        qputenv("HOME", home_.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home_.path() + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (home_.path() + "/data").toUtf8());
        qunsetenv("TS_RESOURCES_DIR");
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        resetAll();
    }
    void TearDown() override {
        resetAll();
        qputenv("HOME", saved_[0]);
        qputenv("XDG_CONFIG_HOME", saved_[1]);
        qputenv("XDG_DATA_HOME", saved_[2]);
        qunsetenv("TS_RESOURCES_DIR");
        QLocale::setDefault(QLocale::c());
    }
    static void resetAll() {
        ts::UserDefaults::resetStandardUserDefaults();
        Preferences::resetSharedState();
        TSBundle::clearCaches();
    }
    // As at a new launch: nothing of the last run is kept in memory.
    static void relaunch() { resetAll(); }

    QString path(const QString& relative) const { return home_.path() + QLatin1Char('/') + relative; }
    QString supportPath(const QString& relative = {}) const {
        return path(QStringLiteral("data/Tessarin")) + (relative.isEmpty() ? QString() : "/" + relative);
    }

    QTemporaryDir home_;
    std::vector<QByteArray> saved_;
};

