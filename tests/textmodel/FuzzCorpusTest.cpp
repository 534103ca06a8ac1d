// The seed corpus (and any regression input) of the text-model fuzz targets,
// run through the same checks as the fuzzers.

#include "fuzz/TextModelFuzzChecks.h"
#include "support/CaptureLogger.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

int runCorpus(const QString& folder, bool (*check)(const QByteArray&)) {
    const QDir dir(QStringLiteral(TS_TEXTMODEL_CORPUS_DIR) + QLatin1Char('/') + folder);
    int count = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_TRUE(check(f.readAll())) << name.toStdString();
        ++count;
    }
    return count;
}

}  // namespace

TEST(TextModelFuzzCorpus, TextTreeInputsSurviveASaveAndAReading) {
    CaptureLogger::Scope log;
    EXPECT_GT(runCorpus(QStringLiteral("text"), TextModelFuzz::checkTextTree), 2);
}

TEST(TextModelFuzzCorpus, FootnoteArchivesSurviveASaveAndAReading) {
    CaptureLogger::Scope log;
    EXPECT_GT(runCorpus(QStringLiteral("footnotes"), TextModelFuzz::checkFootnoteList), 1);
}
