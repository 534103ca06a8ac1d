#pragma once
// A private home for each test: HOME and the XDG folders point into a
// temporary folder, and the shared settings, user defaults and bundle caches
// start afresh.

#include "support/Python.h"
#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes a file, making its folder first.
inline bool writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

class TemporaryHome : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        for (int i = 0; i < 3; ++i) {
            saved_.push_back(qgetenv(kVariables[i]));
            qputenv(kVariables[i], path(kFolders[i]).toUtf8());
        }
        qunsetenv("TS_RESOURCES_DIR");
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        resetAll();
    }
    void TearDown() override {
        resetAll();
        for (int i = 0; i < 3; ++i) qputenv(kVariables[i], saved_[i]);
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

    static constexpr const char* kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
    static constexpr const char* kFolders[] = {"", "config", "data"};
    QTemporaryDir home_;
    std::vector<QByteArray> saved_;
};

