// The converter's fuzz corpus: hand-made sources and what the fuzzer kept.
// Every input converts (or stops at its first fault) into well-formed trees.
#include "ParserFixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

bool wellFormed(const DictionaryEntryPtr& node, int depth) {
    if (!node || depth > 512) return false;
    for (const auto& c : node->childList())
        if (c->parent() != node || !wellFormed(c, depth + 1)) return false;
    return true;
}

TEST(LewisShortCorpus, EveryInputGivesWellFormedTrees) {
    installTestServices();
    const QDir dir(QStringLiteral(TS_DICTSOURCE_CORPUS));
    int inputs = 0, entries = 0, failed = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        auto parser = std::make_shared<NBSourceLSParser>();
        parser->discardLogs();
        parser->setDeveloperSink(std::make_shared<DeveloperSink>());
        parser->parseData(f.readAll());
        if (!parser->succeeded()) {
            ++failed;
            EXPECT_TRUE(parser->parseError()) << name.toStdString();
        }
        for (const auto& e : parser->entries()) {
            EXPECT_EQ(e->parent(), nullptr) << name.toStdString();
            EXPECT_TRUE(wellFormed(e, 0)) << name.toStdString();
            ++entries;
        }
        ++inputs;
    }
    EXPECT_GE(inputs, 4);
    EXPECT_GE(entries, 3);
    EXPECT_GE(failed, 1);  // the malformed seed
}

}  // namespace
