// 300 words of Vergil's Eclogues through the real analyser: per word, the
// parsed entries are compared with the raw answer read line by line here,
// independently of the parser: one word entry per dictionary line (and per
// analysis the analyser wrote without one, analyses of one word whose
// meanings repeat another's joined), and every meaning line in the entries it
// was written for, once each.

#include "dictionaries/DictionaryController.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <chrono>
#include <future>

using namespace std::chrono_literals;

namespace {

void ensureApplication() {
    static int argc = 1;
    static char name[] = "eclogues_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

// The first `count` different words of the poem's verse lines, in order.
QStringList eclogueWords(int count) {
    const QString dir = qEnvironmentVariable("TS_SHARED_DIR");
    QFile f(dir + QStringLiteral("/data/tei/eclogues-lat.xml"));
    if (dir.isEmpty() || !f.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromUtf8(f.readAll());
    text = text.mid(text.indexOf(QStringLiteral("<body>")));
    static const QRegularExpression verse(QStringLiteral("<l\\b[^>]*>(.*?)</l>"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression markup(QStringLiteral("<[^>]*>|&\\w+;"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z]+"));
    QStringList words;
    QSet<QString> seen;
    for (auto l = verse.globalMatch(text); l.hasNext() && words.size() < count;) {
        const QString line = l.next().captured(1).replace(markup, QStringLiteral(" "));
        for (auto w = word.globalMatch(line); w.hasNext() && words.size() < count;) {
            const QString found = w.next().captured();
            if (!seen.contains(found.toLower())) {
                seen.insert(found.toLower());
                words << found;
            }
        }
    }
    return words;
}

// ---- The raw answer, read line by line ----

enum class Kind { Form, Example, Dictionary, Meaning, Fix, Other };

QString word2(const QString& line) {
    const QStringList w = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    return w.size() >= 2 ? w.at(1) : QString();
}

// The word class a dictionary line names (a packon's is the pronoun's).
QString wordClass(const QString& dictionaryLine) {
    static const QSet<QString> classes = {QStringLiteral("N"),    QStringLiteral("V"),    QStringLiteral("ADJ"),
                                          QStringLiteral("ADV"),  QStringLiteral("CONJ"), QStringLiteral("PREP"),
                                          QStringLiteral("PRON"), QStringLiteral("INTERJ"), QStringLiteral("NUM")};
    for (QString w : dictionaryLine.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        if (w == QStringLiteral("PACK")) return QStringLiteral("PRON");
        if (classes.contains(w.remove(u','))) return w;
    }
    return QString();
}

std::vector<Kind> kinds(const QStringList& lines) {
    static const QSet<QString> classes = {QStringLiteral("N"),    QStringLiteral("V"),      QStringLiteral("VPAR"),
                                          QStringLiteral("SUPINE"), QStringLiteral("ADJ"),  QStringLiteral("ADV"),
                                          QStringLiteral("CONJ"), QStringLiteral("PREP"),   QStringLiteral("PRON"),
                                          QStringLiteral("INTERJ"), QStringLiteral("NUM")};
    static const QSet<QString> fixes = {QStringLiteral("TACKON"), QStringLiteral("PREFIX"), QStringLiteral("SUFFIX")};
    std::vector<Kind> out;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const bool underForm = i > 0 && out.back() == Kind::Form;
        // The analyser illustrates a form on the line below it, with "~" for the word.
        if (underForm && line.contains(u'~')) out.push_back(Kind::Example);
        else if (line.contains(u';')) out.push_back(Kind::Meaning);
        else if (line.contains(u'[') || line.contains(QStringLiteral("X X CARD"))) out.push_back(Kind::Dictionary);
        else if (fixes.contains(word2(line))) out.push_back(Kind::Fix);
        else if (classes.contains(word2(line))) out.push_back(Kind::Form);
        else out.push_back(Kind::Other);
    }
    return out;
}

QStringList pieces(const QString& meaningLine) {
    QStringList out;
    for (QString p : meaningLine.split(QStringLiteral("; "))) {
        p.remove(u';').remove(u'\n').remove(u'\r');
        while (p.startsWith(u' ')) p.remove(0, 1);
        p.replace(QStringLiteral("/"), QStringLiteral(" / "));
        if (!p.isEmpty()) out << p;
    }
    return out;
}

// What an answer comes to: the meanings of each word entry (one list per
// entry, in no particular order) and the meanings that stand on the
// analysed words themselves (those of tackons, prefixes and suffixes).
struct Reading {
    QStringList entries;  // each entry's meanings joined by " | "
    QStringList wordMeanings;
    void sort() {
        entries.sort();
        wordMeanings.sort();
    }
};

Reading expectedFrom(const QString& raw) {
    const QStringList lines = raw.split(u'\n', Qt::SkipEmptyParts);
    const std::vector<Kind> k = kinds(lines);
    std::vector<QStringList> entries;
    Reading r;
    // The entries the next meaning line is written for: the dictionary lines
    // of one word class in a row since the last meaning line. A meaning line
    // right after forms that follow no dictionary line stands for an
    // analysis the analyser wrote without one.
    std::vector<size_t> open, lastOpen;
    QString openClass;
    QStringList fixMeanings;
    bool formsAfterDictionary = false;
    // Analyses of a word the analyser wrote without a dictionary text of their
    // own, by the analysed word and its class: those whose meanings repeat
    // another's are one entry.
    std::vector<QString> unnamed;
    auto formKey = [&](int i) {
        int f = i - 1;
        while (f >= 0 && k[f] != Kind::Form) --f;
        if (f < 0) return QString();
        return lines.at(f).section(u' ', 0, 0, QString::SectionSkipEmpty).remove(u'.') + u' ' + word2(lines.at(f));
    };
    auto newEntry = [&](bool packon, const QString& key = QString()) {
        unnamed.push_back(key);
        entries.push_back(packon ? fixMeanings : QStringList());
        if (!packon) r.wordMeanings += fixMeanings;
        fixMeanings.clear();
        return entries.size() - 1;
    };
    for (int i = 0; i < lines.size(); ++i) {
        switch (k[i]) {
        case Kind::Dictionary: {
            const QString type = wordClass(lines.at(i));
            if (type != openClass) open.clear();
            openClass = type;
            const bool named = !lines.at(i).left(lines.at(i).indexOf(u'[')).trimmed().isEmpty();
            open.push_back(newEntry(lines.at(i).contains(QStringLiteral(" PACK ")), named ? QString() : formKey(i)));
            formsAfterDictionary = true;
            break;
        }
        case Kind::Form:
            if (i > 0 && k[i - 1] != Kind::Form && k[i - 1] != Kind::Example && k[i - 1] != Kind::Dictionary)
                formsAfterDictionary = false;
            break;
        case Kind::Meaning: {
            int j = i - 1;
            while (j >= 0 && k[j] == Kind::Meaning) --j;
            const Kind before = i > 0 ? k[i - 1] : Kind::Other;
            std::vector<size_t> target;  // none: a meaning line before any dictionary line is dropped
            if (j >= 0 && k[j] == Kind::Fix) {
                fixMeanings += pieces(lines.at(i));
            } else if (!open.empty()) {
                target = open;
            } else if ((before == Kind::Form || before == Kind::Example) && !formsAfterDictionary) {
                target = {newEntry(false, formKey(i))};
            } else if (before == Kind::Meaning) {
                target = lastOpen;  // a further line of the same meanings
            }
            for (size_t t : target) entries[t] += pieces(lines.at(i));
            lastOpen = target;
            open.clear();
            openClass.clear();
            break;
        }
        default: break;
        }
    }
    r.wordMeanings += fixMeanings;
    auto containsAll = [](const QStringList& larger, const QStringList& smaller) {
        for (const QString& m : smaller)
            if (!larger.contains(m)) return false;
        return true;
    };
    std::vector<bool> joined(entries.size(), false);
    for (size_t a = 0; a < entries.size(); ++a) {
        if (joined[a] || unnamed[a].isEmpty() || entries[a].isEmpty()) continue;
        for (size_t b = a + 1; b < entries.size(); ++b) {
            if (joined[b] || unnamed[b] != unnamed[a] || entries[b].isEmpty()) continue;
            if (!containsAll(entries[a], entries[b]) && !containsAll(entries[b], entries[a])) continue;
            if (entries[b].size() > entries[a].size()) entries[a] = entries[b];
            joined[b] = true;
        }
    }
    for (size_t e = 0; e < entries.size(); ++e)
        if (!joined[e]) r.entries << entries[e].join(QStringLiteral(" | "));
    r.sort();
    return r;
}

Reading parsedFrom(const DictionaryEntryList& roots) {
    Reading r;
    auto meaningsOf = [](const DictionaryEntryPtr& node) {
        QStringList out;
        for (const auto& c : node->childList())
            if (c->type() == DictionaryEntry::Meaning) out << c->entry();
        return out;
    };
    for (const auto& root : roots) {
        QStringList own = meaningsOf(root);
        // An unknown word is a root holding the node "Unknown", not a meaning.
        own.removeAll(QStringLiteral("Unknown"));
        r.wordMeanings += own;
        for (const auto& c : root->childList()) {
            if (c->type() >= 0 && c->type() <= DictionaryEntry::Packon) r.entries << meaningsOf(c).join(QStringLiteral(" | "));
            // A tackon's, prefix's or suffix's meanings: an entry of the analysed word after its analyses.
            if (c->type() == DictionaryEntry::Enclitic || c->type() == DictionaryEntry::WordModification)
                r.wordMeanings += meaningsOf(c);
        }
    }
    r.sort();
    return r;
}

QString differences(const QStringList& want, const QStringList& got) {
    QStringList out;
    for (const QString& w : want)
        if (want.count(w) != got.count(w)) out << QStringLiteral("answer %1x, parsed %2x: [%3]").arg(want.count(w)).arg(got.count(w)).arg(w);
    for (const QString& g : got)
        if (!want.contains(g)) out << QStringLiteral("parsed only: [%1]").arg(g);
    out.removeDuplicates();
    return out.join(QStringLiteral("\n  "));
}

}  // namespace

TEST(AnalyserEclogues, EveryDictionaryLineAndMeaningLineIsParsedOnce) {
    ensureApplication();
    if (DictionaryController::findAnalyserProgram(QString()).isEmpty()) GTEST_SKIP() << "whitakers-words is not installed";
    const QStringList words = eclogueWords(300);
    if (words.isEmpty()) GTEST_SKIP() << "shared TEI data not found (TS_SHARED_DIR)";
    ASSERT_EQ(words.size(), 300);

    auto controller = std::make_shared<DictionaryController>();
    controller->startLatinProcess();
    controller->loadDictionaryPrefs();
    int checked = 0;
    for (const QString& word : words) {
        auto promise = std::make_shared<std::promise<TSDictionaryResult>>();
        auto future = promise->get_future();
        controller->translateToEnglish(word, 0, 0, [promise](const TSDictionaryResult& r) { promise->set_value(r); });
        ASSERT_EQ(future.wait_for(60s), std::future_status::ready) << word.toStdString();
        const TSDictionaryResult result = future.get();
        const QString raw = result.at(TSDictionary::kRawOutput).toString();
        // A single letter ("O") gets an empty answer: nothing to compare but
        // that nothing is parsed.
        const Reading want = expectedFrom(raw);
        const Reading got = parsedFrom(TSDictionary::parsedWords(result));
        // One entry per dictionary line, each with the meaning lines written for it.
        EXPECT_EQ(got.entries.size(), want.entries.size()) << word.toStdString() << "\n" << raw.toStdString();
        EXPECT_EQ(got.entries, want.entries)
            << word.toStdString() << "\n  " << differences(want.entries, got.entries).toStdString() << "\n"
            << raw.toStdString();
        EXPECT_EQ(got.wordMeanings, want.wordMeanings) << word.toStdString() << "\n" << raw.toStdString();
        ++checked;
    }
    EXPECT_EQ(checked, 300);
    controller->terminate();
}
