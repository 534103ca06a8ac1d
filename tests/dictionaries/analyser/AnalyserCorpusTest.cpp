// The parser fuzz target's corpus (seeded with the captured answers, joined
// by what the fuzzer found): every input parses in both directions into
// well-formed trees.

#include "dictionaries/DictionaryControllerParser.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

// Every node is reached from its parent, within the depth the parser builds.
bool wellFormed(const DictionaryEntryPtr& node, int depth) {
    if (!node || depth > 4) return false;
    for (const auto& c : node->childList())
        if (c->parent() != node || !wellFormed(c, depth + 1)) return false;
    return true;
}

}  // namespace

TEST(AnalyserParserCorpus, EveryInputParsesIntoWellFormedTrees) {
    const QDir dir(QStringLiteral(TS_ANALYSER_CORPUS));
    int count = 0, roots = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        const QString answer = QString::fromLatin1(f.readAll());
        for (bool showCases : {true, false}) {
            for (const auto& root : DictionaryControllerParser::parseEnglishVocab(answer, showCases)) {
                EXPECT_EQ(root->type(), DictionaryEntry::Root) << name.toStdString();
                EXPECT_TRUE(wellFormed(root, 0)) << name.toStdString();
                ++roots;
            }
            for (const auto& word : DictionaryControllerParser::parseLatinVocab(answer, showCases))
                EXPECT_TRUE(wellFormed(word, 1)) << name.toStdString();
        }
        ++count;
    }
    EXPECT_GT(count, 0);
    EXPECT_GT(roots, 0);  // the seeds are real answers
}
