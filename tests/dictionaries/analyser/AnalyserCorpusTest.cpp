// The parser fuzz target's corpus: its seeds, the captured answers of the
// parser tests, and the inputs kept beside them (edge cases, what the fuzzer
// found). Every input parses in both directions into well-formed trees.

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
    int count = 0, roots = 0;
    QStringList paths;
    for (const char* folder : {TS_ANALYSER_FIXTURES, TS_ANALYSER_CORPUS}) {
        const QDir dir(QString::fromUtf8(folder));
        for (const QString& name : dir.entryList(QDir::Files)) paths << dir.filePath(name);
    }
    for (const QString& name : paths) {
        QFile f(name);
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
