// Marking with the full word-form list that the application reads: the list
// the command-line tool makes from the prepared Lewis and Short.
#include "WordFormTestSupport.h"
#include "morphology/TSWordFormDictionary.h"
#include "platform/Color.h"
#include "support/PreparedLewisShort.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace wordformtest;

namespace {

// The list the application reads, made by the command-line tool; empty
// when the tool fails.
QString fullListPath() {
    const PreparedLewisShort& prepared = preparedLewisShort();
    return prepared.error.isEmpty() ? prepared.forms : QString();
}

TSWordFormDictionaryPtr fullList() {
    static const TSWordFormDictionaryPtr list = []() -> TSWordFormDictionaryPtr {
        if (fullListPath().isEmpty()) return nullptr;
        auto d = std::make_shared<TSWordFormDictionary>();
        d->loadFromString(readFile(fullListPath()));
        return d;
    }();
    return list;
}

// One letter per character for its background: c clear, o orange, r red,
// "." none; read run by run, as a long text has a run per word.
QString backgrounds(const ts::AttributedString& s) {
    QString out;
    out.reserve(s.length());
    for (const ts::AttributedString::Run& run : s.runs()) {
        const auto c = run.attributes.value(ts::AttributeName::BackgroundColor).toObjectAs<ts::Color>();
        QChar letter = u'.';
        if (c && c->isEqual(*ts::Color::clearColor())) letter = u'c';
        else if (c && c->isEqual(*ts::Color::systemOrangeColor())) letter = u'o';
        else if (c && c->isEqual(*ts::Color::systemRedColor())) letter = u'r';
        out += QString(run.length, letter);
    }
    return out;
}

}  // namespace

// What a reader of Caesar or Cicero meets: the words named after the fault
// they once showed.
TEST(WordFormReading, MarkingGivesTheExpectedLengths) {
    Places places;
    const auto d = fullList();
    ASSERT_TRUE(d) << "the tool could not make the list";
    ASSERT_GT(d->keyCount(), 400000);
    const struct {
        const char* fault;
        const char* word;
        const char* marked;
        bool orange;  // else red; never clear, which would say certain
    } cases[] = {
        {"in read as is + -n, certain", "in", "in", false},
        {"on read as os + -n", "on", "on", false},
        {"vocative before the adverb", "maxime", "maxim\u0113", true},
        {"dative/ablative plural before the genitive", "honoris", "hon\u014Dris", true},
        {"nominative plural noun before the adjective", "mea", "mea", true},
        {"stem of -que shown certain", "legionesque", "legi\u014Dn\u0113sque", true},
        {"stem of -n shown certain", "viden", "vid\u0113n", true},
        {"diu read as the numeral 504, certain", "diu", "diu", false},
    };
    for (const auto& c : cases) {
        const QString word = QString::fromUtf8(c.word);
        const auto marked = d->addMacrons(ts::AttributedString(word));
        EXPECT_EQ(marked->string(), QString::fromUtf8(c.marked)) << c.fault;
        // Once the list holds a word of its own, it is a look-up like any other.
        if (c.orange || d->records(word).empty())
            EXPECT_EQ(backgrounds(*marked).at(0), c.orange ? u'o' : u'r') << c.fault;
    }
}

// Over the whole list: every word the enclitic rules would read as a key of
// the list plus "-que", "-ne" or "-n" (for "-s"), which the list does not
// hold itself, is marked as a guess, and none of two letters is turned into
// another word.
TEST(WordFormReading, NoWordReachedThroughAnEncliticIsCertain) {
    Places places;
    const auto d = fullList();
    ASSERT_TRUE(d) << "the tool could not make the list";
    QSet<QString> keys;
    for (const QString& line : readFile(fullListPath()).split(u'\n'))
        if (line.count(u'\t') == 3) keys.insert(line.section(u'\t', 0, 0));
    ASSERT_EQ(keys.size(), d->keyCount());

    // A few keys hold a character that ends a word in text ("brochus,"):
    // the rules would see a word other than the one made here.
    static const QRegularExpression letters(QStringLiteral("^\\p{L}+$"));
    QStringList words;
    for (const QString& key : keys) {
        if (!letters.match(key).hasMatch()) continue;
        for (const QString& word : {key + QStringLiteral("que"), key + QStringLiteral("ne"),
                                    key.endsWith(u's') ? key.chopped(1) + u'n' : QString()}) {
            if (!word.isEmpty() && !keys.contains(word)) words << word;
        }
    }
    const QString text = words.join(u' ');
    const auto marked = d->addMacrons(ts::AttributedString(text));
    ASSERT_EQ(marked->length(), text.size());
    const QString colours = backgrounds(*marked);
    qsizetype at = 0, certain = 0, shortTurned = 0, shortWords = 0;
    QStringList samples;
    for (const QString& word : words) {
        const QString after = marked->string().mid(at, word.size());
        if (colours.at(at) == u'c') {
            ++certain;
            if (samples.size() < 5) samples << word;
        }
        if (word.size() <= 2) {
            ++shortWords;
            if (after != word || colours.mid(at, word.size()) != QString(word.size(), u'r')) ++shortTurned;
        }
        at += word.size() + 1;
    }
    std::printf("%lld words reached through an enclitic, %lld of two letters\n", qint64(words.size()), qint64(shortWords));
    EXPECT_GT(shortWords, 0);
    EXPECT_EQ(certain, 0) << qPrintable(samples.join(u' '));
    EXPECT_EQ(shortTurned, 0);
}
