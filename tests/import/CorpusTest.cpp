// Replays the fuzz target's seed corpus, and slices of the real sources, as
// ordinary tests: every reader keeps its contract on each input.

#include "ImportTestSupport.h"

#include "import/TSImportFuzzing.h"

#include <QDirIterator>

#include <gtest/gtest.h>

namespace {

TEST(ImportCorpus, EverySeedKeepsTheReadersContracts) {
    QDirIterator it(QStringLiteral(TS_IMPORT_CORPUS), QDir::Files);
    int seen = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        EXPECT_TRUE(TSImportFuzzing::readAll(readAll(path))) << path.toStdString();
        ++seen;
    }
    EXPECT_GE(seen, 7);
}

// Every prefix of a real source at a spread of lengths: all but the whole
// file fail cleanly.
TEST(ImportCorpus, TruncatedRealSourcesFailCleanly) {
    const QByteArray whole = readAll(teiPath(QStringLiteral("eclogues-lat")));
    ASSERT_FALSE(whole.isEmpty());
    for (qsizetype cut = 1; cut < whole.size(); cut += whole.size() / 37) {
        const QByteArray part = whole.left(cut);
        EXPECT_TRUE(TSImportFuzzing::readAll(part)) << cut;
        TSBodyElementParser p;
        p.setCurIdentifier(QStringLiteral("latin"));
        p.setElementArray(presetFor(QStringLiteral("eclogues-lat")));
        EXPECT_TRUE(p.parseData(part).isNull()) << cut;
    }
    EXPECT_TRUE(TSImportFuzzing::readAll(whole));
}

}  // namespace
