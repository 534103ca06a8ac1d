// The MDict fuzz target's corpus: every kept input is read or refused
// without crashing, and a refusal always carries its cause.

#include "dictionaries/MDictReader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

TEST(MDictCorpus, EveryInputIsReadOrRefusedWithACause) {
    const QDir dir(QString::fromUtf8(TS_MDICT_CORPUS));
    int count = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const auto r = mdict::readData(f.readAll());
        EXPECT_TRUE(r.ok || !r.error.isEmpty()) << name.toStdString();
        if (!r.ok) { EXPECT_TRUE(r.records.isEmpty()) << name.toStdString(); }
        ++count;
    }
    EXPECT_GT(count, 0);
}
