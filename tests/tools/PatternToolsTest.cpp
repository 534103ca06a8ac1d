#include "tools/TSCorpusTools.h"
#include "tools/TSDictPage.h"
#include "tools/TSPatternLanguage.h"
#include "tools/TSPatternSearch.h"
#include "tools/TSProximitySummary.h"
#include "tools/TSWordLists.h"

#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "support/CaptureLogger.h"
#include "support/Python.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

QString u(std::initializer_list<char16_t> units) {
    QString s;
    for (char16_t c : units) s.append(QChar(c));
    return s;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QString rowTexts(const QList<TSSearchRow>& rows) {
    QStringList out;
    for (const TSSearchRow& r : rows) out.append(r.header ? QLatin1Char('[') + r.text + QLatin1Char(']') : r.text);
    return out.join(QLatin1Char(' '));
}

TSPatternTables testTables() {
    TSPatternTables t;
    t.keys = {{QStringLiteral("Vowel"), QStringLiteral("[aeiouy]")},
              {QStringLiteral("Vowels"), QStringLiteral("[aeiouy]+")},
              {QStringLiteral("Jx"), QStringLiteral("~wJ")},
              {u({0xA751}), QStringLiteral("(per|par)")}};
    t.substitutions = {{QStringLiteral(",d,s,"), QStringLiteral("*deus|dominus|")},
                       {QStringLiteral(",q,3,"), QStringLiteral(",que,")},
                       {QStringLiteral(",x,"), QStringLiteral("*never|")}};
    t.quickMatch = {{QStringLiteral("dns"), QStringLiteral("dominus| |domini")},
                    {u({0x71, 0x1D23}), QStringLiteral("que")}};
    return t;
}

// Real words of a Latin text (as written, capitals and all) and words made
// to trip the automaton: signs PCRE2 folds to ASCII letters, ligatures, and
// long runs that cost a backtracking matcher dearly.
QStringList eclogueWords() {
    QFile f(qEnvironmentVariable("TS_SHARED_DIR") + QStringLiteral("/data/tei/eclogues-lat.xml"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromUtf8(f.readAll());
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    return text.split(QRegularExpression(QStringLiteral("[^\\p{L}]+")), Qt::SkipEmptyParts);
}

QStringList realAndTrickyWords() {
    QStringList words = eclogueWords();
    words += {QString(), QStringLiteral("K"), QStringLiteral("kalendae"), u({0x212A}) + QStringLiteral("alendae"),
              QStringLiteral("ro") + u({0x17F}) + QStringLiteral("ae"), QStringLiteral("ROSAE"), QStringLiteral("ros\u00e6"),
              u({0xA751}) + QStringLiteral("ius"), QStringLiteral("a1b"), QStringLiteral("a-b"), QStringLiteral("qu\tae"),
              QString(29, QLatin1Char('a')), QStringLiteral("ab]c"), QStringLiteral("uenit"), QStringLiteral("ueni"),
              QStringLiteral("\u00e6x"), QString(29, QChar(0xE6)) + QLatin1Char('!'), QStringLiteral("\u00e6\u00e6x"),
              QStringLiteral("a\u00e6q"), QLatin1Char('a') + QString(27, QChar(0xE6)) + QStringLiteral("qx"), QStringLiteral("b\u00e6q")};
    return words;
}

// What PCRE2 alone finds, word by word in list order, up to a word that
// costs too much (*stops is set then).
QStringList pcreFinds(const QString& pattern, const QStringList& words, bool* stops) {
    TSPatternMatcher pcre(pattern);
    QStringList found;
    *stops = false;
    for (const QString& w : words) {
        if (w.size() >= 1 && w.size() <= 30 && pcre.matches(w)) found.append(w);
        if ((*stops = pcre.limitHit())) break;
    }
    return found;
}

// The words a plain regular expression written here finds, caselessly and
// whole, among those of min..max UTF-16 units, in list order.
QStringList plainFilter(const QString& regex, const QStringList& words, int minLength, int maxLength) {
    const QRegularExpression re(QStringLiteral("^(?:%1)$").arg(regex), QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    for (const QString& w : words)
        if (w.size() >= minLength && w.size() <= maxLength && re.match(w).hasMatch()) found.append(w);
    return found;
}

}  // namespace

TEST(PatternLanguage, CompilesTokensTablesAndFolding) {
    const TSPatternTables t = testTables();
    struct Case { QString field; QString expression; bool list; };
    const Case cases[] = {
        {QStringLiteral("rosae"), QStringLiteral("ros(ae|e)"), false},
        {QStringLiteral("ros,Vowel"), QStringLiteral("ros[aeiouy]"), false},
        {QStringLiteral("Vowels,s"), QStringLiteral("[aeiouy]+s"), false},       // typed by hand, still a class
        {QStringLiteral("Jovis"), QStringLiteral("iouis"), false},               // v/j folding
        {QStringLiteral("Jx"), QStringLiteral("~wi"), false},                    // folding reaches fragments
        {QStringLiteral("AE"), QStringLiteral("ae"), false},                     // upper case is not alternated
        {u({0xA751}) + QStringLiteral(",a"), QStringLiteral("(per|par)a"), false},
        {QStringLiteral("a;b"), QStringLiteral("a,b"), false},
        {QString(), QString(), false},
        {QStringLiteral("d,s"), QStringLiteral("deus|dominus|"), true},          // answer list from the table
        {QStringLiteral("d,s,a"), QStringLiteral("d(ae|e)sa").replace(QStringLiteral("(ae|e)"), QString()), false},
        {QStringLiteral("x,y"), QStringLiteral("xy"), false},                    // "*" only for the whole pattern
        {QStringLiteral("q,3"), QStringLiteral("qu(ae|e)"), false},
        {QStringLiteral("a*,b"), QStringLiteral("ab"), true},                    // user's own answer list
    };
    for (const Case& c : cases) {
        bool isList = false;
        EXPECT_EQ(TSPatternLanguage::knownLettersString(c.field, t, &isList), c.expression) << qPrintable(c.field);
        EXPECT_EQ(isList, c.list) << qPrintable(c.field);
    }
    EXPECT_EQ(TSPatternLanguage::quickMatch(QStringLiteral("D,n,S"), t), QStringLiteral("dominus| |domini"));
    EXPECT_EQ(TSPatternLanguage::quickMatch(QStringLiteral("q;"), t), QStringLiteral("que"));
    EXPECT_TRUE(TSPatternLanguage::quickMatch(QStringLiteral("zz"), t).isNull());
    EXPECT_EQ(TSPatternSearch::rowsFromAnswerList(QStringLiteral("dominus| |domini")).size(), 2);
}

TEST(PatternLanguage, TokensGroupsAndEditing) {
    EXPECT_EQ(TSPatternLanguage::menuTokens().size(), 30);
    EXPECT_TRUE(std::is_sorted(TSPatternLanguage::menuTokens().begin(), TSPatternLanguage::menuTokens().end()));
    EXPECT_EQ(TSPatternLanguage::imageSet().size(), 5);
    EXPECT_TRUE(TSPatternLanguage::menuTokens().contains(u({0x2E, 0xA75C, 0x2E})));
    EXPECT_EQ(TSPatternLanguage::subsetGroup(QStringLiteral(" a  b c"), false), QStringLiteral("(a|b|c)"));
    EXPECT_EQ(TSPatternLanguage::subsetGroup(QStringLiteral("a b c"), true), QStringLiteral("(a|b|c+)"));

    QStringList tokens = {QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Z")};
    TSPatternLanguage::replaceTokens(tokens, 1, 2, QStringLiteral("Vowel"));
    EXPECT_EQ(tokens, (QStringList{QStringLiteral("X"), QStringLiteral("Vowel")}));
    TSPatternLanguage::replaceTokens(tokens, 5, 1, QStringLiteral("a"));  // past the end: appended, nothing removed
    EXPECT_EQ(tokens.size(), 3);

    EXPECT_EQ(TSPatternLanguage::typedReplacement(QStringLiteral("3")), QStringLiteral(",") + u({0x1D23}) + QStringLiteral(","));
    EXPECT_EQ(TSPatternLanguage::typedReplacement(QStringLiteral("^")), QStringLiteral(",^"));
    EXPECT_TRUE(TSPatternLanguage::typedReplacement(QStringLiteral("23")).isNull());
}

TEST(PatternLanguage, ShippedTablesCoverEverySignAndCompile) {
    Preferences::resetSharedState();
    const TSPatternTables t = TSPatternTables::fromPreferences();
    ASSERT_FALSE(t.keys.isEmpty());
    ASSERT_FALSE(t.substitutions.isEmpty());
    ASSERT_FALSE(t.quickMatch.isEmpty());
    for (const QString& token : TSPatternLanguage::menuTokens()) {
        ASSERT_TRUE(t.keys.contains(token)) << qPrintable(token);
        bool isList = false;
        const QString e = TSPatternSearch::expressionForPattern(TSPatternLanguage::knownLettersString(token, t, &isList));
        if (isList) continue;
        TSPatternMatcher m(e);
        EXPECT_TRUE(m.isValid()) << qPrintable(token) << qPrintable(e) << qPrintable(m.error());
    }
    bool isList = false;
    const QString e = TSPatternLanguage::knownLettersString(QStringLiteral("p,") + u({0xA751}) + QStringLiteral(",uuuu,Vowel,s"), t, &isList);
    QStringList found;
    EXPECT_TRUE(TSPatternSearch::addWordsToArray(found, 1, 20, {QStringLiteral("pperimus"), QStringLiteral("pparis"), QStringLiteral("pax")},
                                                 TSPatternSearch::expressionForPattern(e)));
    EXPECT_EQ(found, (QStringList{QStringLiteral("pperimus")}));
}

TEST(PatternSearch, LengthBoundsErrorsAndCost) {
    const QStringList words = {QStringLiteral("rosa"), QStringLiteral("rosae"), QStringLiteral("Rose"), QString(),
                               QStringLiteral("rosarum")};
    QStringList found;
    EXPECT_TRUE(TSPatternSearch::addWordsToArray(found, 1, 9, words, QStringLiteral("ros(ae|e)")));
    EXPECT_EQ(found, (QStringList{QStringLiteral("rosae"), QStringLiteral("Rose")}));
    found.clear();
    EXPECT_TRUE(TSPatternSearch::addWordsToArray(found, 5, 4, words, QStringLiteral("ros.*")));
    EXPECT_TRUE(found.isEmpty());  // minimum above maximum
    EXPECT_FALSE(TSPatternSearch::addWordsToArray(found, 1, 9, words, QString()));

    // The literal ends that let most words be refused without a match.
    const std::pair<const char*, std::pair<const char*, const char*>> literals[] = {
        {"ros[aeiouy]", {"ro", ""}}, {"[a-z]+orum", {"", "orum"}}, {"ab?c", {"a", "c"}}, {"a|bc", {"", ""}},
        {"x\\w", {"x", ""}},        {"(per|par)a", {"", "a"}},    {"Ro", {"ro", "ro"}}, {"as", {"a", ""}},
    };
    for (const auto& [e, ends] : literals) {
        EXPECT_EQ(literalPrefix(QString::fromLatin1(e)), QString::fromLatin1(ends.first)) << e;
        EXPECT_EQ(literalSuffix(QString::fromLatin1(e)), QString::fromLatin1(ends.second)) << e;
    }
    const std::pair<const char*, int> longest[] = {
        {"[aeiou]{1,4}(ae|e)?x", 7}, {"a|bcd", 3}, {"(qu|[bc]{0,3})u", 4}, {"ab+", -1}, {"a.c", 4}, {"a\\w", -1}, {"(a", -1},
    };
    for (const auto& [e, n] : longest) EXPECT_EQ(maximumMatchLength(QString::fromLatin1(e)), n) << e;
    found.clear();
    EXPECT_TRUE(TSPatternSearch::addWordsToArray(found, 1, 20, {QStringLiteral("ROSARUM"), QStringLiteral("uictorum"), QStringLiteral("rosa"), QStringLiteral("rota")},
                                                 QStringLiteral("[a-z]+orum|ros[a-z]+")));
    EXPECT_EQ(found, (QStringList{QStringLiteral("ROSARUM"), QStringLiteral("uictorum"), QStringLiteral("rosa")}));

    QString error;
    EXPECT_FALSE(TSPatternSearch::addWordsToArray(found, 1, 9, words, QStringLiteral("(ros"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("not a valid"))) << qPrintable(error);

    // Nested repetition over a long run that cannot match: stopped, not hung.
    error.clear();
    QElapsedTimer timer;
    timer.start();
    const QStringList hostile(50, QString(40, QLatin1Char('a')) + QLatin1Char('!'));
    EXPECT_FALSE(TSPatternSearch::addWordsToArray(found, 1, 100, hostile, QStringLiteral("(a|aa)+[b-z]"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("too costly"))) << qPrintable(error);
    EXPECT_LT(timer.elapsed(), 20000);
}

// The automaton answers as PCRE2 does, found through a searched list against
// PCRE2 asked word by word.
TEST(PatternSearch, AutomatonAgreesWithPcre) {
    const QStringList words = realAndTrickyWords();
    ASSERT_GT(words.size(), 1000);
    const TSWordList list(words);

    struct Case { QString pattern; bool automaton; bool stops = false; };
    const Case cases[] = {
        {QStringLiteral("ros(ae|e)"), true},
        {QStringLiteral("(qu|[bcdfghklmnprstxz]{0,3})(ae|oe|au|eu|ei|ui|[aeiouy])[bcdfghklmnprstxz]?(qu|[bcdfghklmnprstxz]{0,3})(ae|oe|au|eu|ei|ui|[aeiouy])"), true},
        {QStringLiteral("[iumn]{1,4}[a-z]+is"), true},
        {QStringLiteral("(a|(ae|e)|i)[a-z]+(er|re)unt"), true},
        {QStringLiteral("[^aeiou]+[aeiou]"), true},
        {QStringLiteral("[A-Z][a-z]*"), true},               // caseless: capitals or not
        {QStringLiteral("k[a-z]+|s.*"), true},              // k and s also match the Kelvin sign and the long s
        {u({0x212A}) + QStringLiteral("al.*"), true},      // a Kelvin sign in the pattern finds plain k
        {QStringLiteral("ro") + u({0x17F}) + QStringLiteral("ae?"), true},
        {QStringLiteral("(?:u|e)+n[^a-z]?i[ts]{1,}?"), true},
        {QStringLiteral("a{3,}|[.a-c]{2}|a[]b]c|a-b|a\\d"), false},  // an escape: PCRE2 throughout
        {QStringLiteral("x*|[[:alpha:]]{2}"), false},
        {QStringLiteral("(per|par)") + u({0xA751}) + QStringLiteral("?[a-z]*"), true},
        {QStringLiteral("a*+b|a"), false},                 // possessive
        {QStringLiteral("(a|aa)+[b-z]"), false, true},
        {QStringLiteral("(a+)+[b-z]"), false, true},       // a repeat inside a repeat: two ways round each letter
        {QStringLiteral("((a|e)*)*[b-z]"), false, true},
        {QStringLiteral("((?:1|\u00e6*)*[a-z])*[a-z][^a-z]"), false, true},  // rounds that match nothing count too
        {QStringLiteral("[a-z]*[a-z]*[a-z]*s"), true},     // cheap enough however a word runs           // too costly for PCRE2 on the long word: stops as it does
        {QStringLiteral("\u00e6|ros\u00e6|qu.ae"), true},
        // Cheap on every ASCII word, too costly on the long run of ligatures:
        // stops there, with only the words before it found.
        {QStringLiteral("(\u00e6|\u00e6\u00e6)+[b-z]"), true, true},
        // Also when the costly word ends with a letter no match ends with.
        {QStringLiteral("[a-z\u00e6](\u00e6|\u00e6\u00e6)+q"), true, true},
        // Cheap, but each letter enters many groups: the matcher runs out of
        // stack on the long run of a's, and the search stops there as it does.
        {QString(32, QLatin1Char('(')) + QLatin1Char('a') + QStringLiteral(")?()").repeated(31) + QStringLiteral(")+"), false, true},
        {QStringLiteral("(a") + QStringLiteral("()").repeated(100) + QStringLiteral(")+"), false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern.toStdString());
        ASSERT_TRUE(TSPatternMatcher(c.pattern).isValid());
        bool stops = false;
        const QStringList expected = pcreFinds(c.pattern, words, &stops);
        TSPatternMatcher searched(c.pattern);
        QStringList found;
        const auto scan = searched.addMatches(found, list, 1, 30, nullptr, nullptr);
        EXPECT_EQ(stops, c.stops);
        EXPECT_EQ(scan, stops ? TSPatternMatcher::Scan::LimitHit : TSPatternMatcher::Scan::Finished);
        EXPECT_EQ(searched.automatonInUse(), c.automaton);
        EXPECT_EQ(found, expected);
    }
}

// Patterns made at random from letters, signs, classes, groups, alternatives
// and every kind of repeat: the searched list finds what PCRE2 finds and stops
// where it stops.
TEST(PatternSearch, RandomPatternsAgreeWithPcre) {
    const QStringList all = realAndTrickyWords();
    ASSERT_GT(all.size(), 3000);
    const QStringList words = all.mid(0, 3000) + all.mid(all.size() - 21);  // the made ones last
    const TSWordList list(words);
    const QStringList atoms = {QStringLiteral("a"), QStringLiteral("e"), QStringLiteral("s"), QStringLiteral("k"),
                               QStringLiteral("K"), QStringLiteral("q"), QStringLiteral("."), QStringLiteral("-"),
                               QStringLiteral("\u00e6"), u({0x17F}), u({0x212A}), u({0xA751}),
                               QStringLiteral("[aeiou]"), QStringLiteral("[^aeiou]"), QStringLiteral("[a-z]"),
                               QStringLiteral("[A-Z]"), QStringLiteral("[^a-z]"), QStringLiteral("[]a]"), QStringLiteral("[a-]")};
    const QStringList repeats = {QString(), QString(), QString(), QStringLiteral("*"), QStringLiteral("+"), QStringLiteral("?"),
                                 QStringLiteral("{2}"), QStringLiteral("{0,2}"), QStringLiteral("{1,}"), QStringLiteral("*?")};
    QRandomGenerator random(11);
    std::function<QString(int)> alternatives = [&](int depth) {
        QString e;
        do {
            if (!e.isEmpty()) e += QLatin1Char('|');
            for (int n = 1 + int(random.bounded(4)); n > 0; --n) {
                const bool group = depth < 2 && random.bounded(4) == 0;
                e += (group ? QStringLiteral("(") + alternatives(depth + 1) + QLatin1Char(')') : atoms[random.bounded(atoms.size())]) +
                     repeats[random.bounded(repeats.size())];
            }
        } while (random.bounded(3) == 0);
        return e;
    };
    int automaton = 0;
    for (int i = 0; i < 400; ++i) {
        const QString pattern = alternatives(0);
        SCOPED_TRACE(pattern.toStdString());
        bool stops = false;
        const QStringList expected = pcreFinds(pattern, words, &stops);
        TSPatternMatcher searched(pattern);
        QStringList found;
        const auto scan = searched.addMatches(found, list, 1, 30, nullptr, nullptr);
        EXPECT_EQ(scan, stops ? TSPatternMatcher::Scan::LimitHit : TSPatternMatcher::Scan::Finished);
        EXPECT_EQ(found, expected);
        automaton += searched.automatonInUse();
    }
    EXPECT_GT(automaton, 200);
}

// Classes that mix letters with characters the automaton does not read
// itself (stops, underscores, commas, marked vowels, the long s), negated or
// not: the list search lists exactly the words PCRE2 matches one by one.
TEST(PatternSearch, MixedClassesListExactlyWhatPcreMatches) {
    QStringList words = eclogueWords().mid(0, 2000);
    ASSERT_GT(words.size(), 1000);
    words += {QStringLiteral("t"), QStringLiteral("tius"), QStringLiteral("tāus"), QStringLiteral("ſum"), QStringLiteral("æra"),
              QStringLiteral("cæſar"), QStringLiteral("Lūmina"), QStringLiteral("ōrum"), QStringLiteral("a.b"), QStringLiteral("t_"),
              QStringLiteral("quōque"), QStringLiteral("Æneas"), QStringLiteral("ius"), QStringLiteral("ſ"), QStringLiteral("ā")};
    const TSWordList list(words);
    EXPECT_FALSE(plainFilter(QStringLiteral("[^t.]"), words, 1, 30).contains(QStringLiteral("t")));
    const QString pieces = QStringLiteral("aeiotus.,_;\u0101\u014d\u017f\u00e6");
    QRandomGenerator random(56);
    auto randomClass = [&] {
        QString c = random.bounded(2) ? QStringLiteral("[^") : QStringLiteral("[");
        for (int n = 1 + int(random.bounded(4)); n > 0; --n) c += pieces[random.bounded(pieces.size())];
        return c + QLatin1Char(']');
    };
    const QStringList repeats = {QString(), QString(), QStringLiteral("?"), QStringLiteral("{2,3}"), QStringLiteral("{1,2}")};
    QStringList patterns = {QStringLiteral("[^t.]"), QStringLiteral("[^aeio;u]{2,3}us"), QStringLiteral("[^a\u0101]um"),
                            QStringLiteral("[_t]"), QStringLiteral("[,\u017f]um")};
    for (int i = 0; i < 300; ++i) {
        QString p;
        for (int n = 1 + int(random.bounded(3)); n > 0; --n)
            p += (random.bounded(3) ? randomClass() : QString(pieces[random.bounded(9)])) + repeats[random.bounded(repeats.size())];
        if (random.bounded(2)) p += QStringLiteral("us");
        patterns << p;
    }
    for (const QString& pattern : patterns) {
        SCOPED_TRACE(pattern.toStdString());
        QStringList found;
        ASSERT_TRUE(TSPatternSearch::addWordsToArray(found, 1, 30, list, pattern));
        EXPECT_EQ(found, plainFilter(pattern, words, 1, 30));
    }
}

// Many words over three groups (enough to grow the set of listed words):
// each word only under the first group that finds it, repeats inside a group
// kept, the empty word as any other.
TEST(PatternSearch, GroupsListEachWordOnce) {
    QStringList a, b, c;
    for (int i = 0; i < 3000; ++i) {
        const QString w = QStringLiteral("w%1").arg(i * 7919 % 5000);
        (i % 3 == 0 ? a : i % 3 == 1 ? b : c).append(w);
        if (i % 11 == 0) c.append(w);
        if (i % 13 == 0) a.append(QStringLiteral("w%1").arg(i * 7919 % 5000));  // a repeat inside the group
    }
    a.append(QString());
    b.append(QStringLiteral(""));
    const QList<TSPatternSearch::Group> groups = {
        {QStringLiteral("A"), [a] { return a; }}, {QString(), [b] { return b; }}, {QStringLiteral("C"), [c] { return c; }}};
    QList<TSSearchRow> rows;
    TSPatternSearch::runGroups(QStringLiteral("w[0-9]*|"), 0, 10, groups, [&](const QList<TSSearchRow>& r) { rows = r; });
    QList<TSSearchRow> expected;
    QSet<QString> seen;
    for (const auto& [header, list] : {std::pair{QStringLiteral("A"), a}, {QString(), b}, {QStringLiteral("C"), c}}) {
        if (!header.isEmpty()) expected.append({header, true});
        QStringList fresh;
        for (const QString& w : list)
            if (!seen.contains(w)) fresh.append(w);
        for (const QString& w : fresh) seen.insert(w), expected.append({w, false});
    }
    EXPECT_EQ(rows, expected);
    EXPECT_GT(expected.size(), 3000);
}

// Words exactly at the length bounds are found, those one unit beyond are
// not, whichever way the search goes (automaton, buckets of first or last
// letters, PCRE2), and the empty word counts as any other.
TEST(PatternSearch, LengthBoundsAtTheEdges) {
    QStringList words = eclogueWords();
    ASSERT_GT(words.size(), 1000);
    words.append(QString());
    const TSWordList list(words);
    const std::pair<int, int> bounds[] = {{0, 0}, {0, 1}, {1, 1}, {2, 2}, {3, 5}, {5, 3}, {7, 7}, {9, 30}, {0, 100}, {14, 100}};
    const char* patterns[] = {"[a-z]*", "qu[a-z]*", "[a-z]*(um|us)", "(a|e|i|o|u)[a-z]{0,6}", "[^x]*", "(?:a|at)[a-z]*", "x|ab|[a-z]{3}"};
    for (const char* pattern : patterns)
        for (const auto& [least, most] : bounds) {
            SCOPED_TRACE(std::string(pattern) + " " + std::to_string(least) + ".." + std::to_string(most));
            const QStringList expected = plainFilter(QString::fromLatin1(pattern), words, least, most);
            QStringList found;
            EXPECT_EQ(TSPatternSearch::addWordsToArray(found, least, most, list, QString::fromLatin1(pattern)), true);
            EXPECT_EQ(found, expected);
        }
    // The edges are really met: a word of each bound's length is found.
    QStringList found;
    TSPatternSearch::addWordsToArray(found, 3, 5, list, QStringLiteral("[a-z]*"));
    EXPECT_TRUE(std::any_of(found.begin(), found.end(), [](const QString& w) { return w.size() == 3; }));
    EXPECT_TRUE(std::any_of(found.begin(), found.end(), [](const QString& w) { return w.size() == 5; }));
    found.clear();
    TSPatternSearch::addWordsToArray(found, 0, 0, list, QStringLiteral("[a-z]*"));
    EXPECT_EQ(found, QStringList{QString()});
}

// Fields typed in the pattern language, run over the Eclogues, find what a
// plain regular expression written here for the same letters finds: "ae"
// also stands for "e", v and j are read as u and i, case never matters.
TEST(PatternSearch, TypedPatternsOnTheEcloguesMatchAPlainFilter) {
    const QStringList words = eclogueWords();
    ASSERT_GT(words.size(), 1000);
    const TSWordList list(words);
    const TSPatternTables t = testTables();
    struct Case { const char* field; const char* regex; int least, most; };
    const Case cases[] = {
        {"arma", "arma", 1, 30},
        {"Vowel,m,Vowel,s", "[aeiouy]m[aeiouy]s", 1, 30},
        {"Vowels,s", "[aeiouy]+s", 1, 30},
        {"Vowels,s", "[aeiouy]+s", 3, 3},
        {"Vowel,rae", "[aeiouy]r(ae|e)", 1, 30},
        {"TITYRE", "tityre", 1, 30},
        {"Venit", "uenit", 1, 30},  // the text writes v: found only where it writes u
        {"Jam", "iam", 1, 30},
    };
    int nonEmpty = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        bool isList = false;
        const QString expression = TSPatternSearch::expressionForPattern(
            TSPatternLanguage::knownLettersString(QString::fromUtf8(c.field), t, &isList));
        ASSERT_FALSE(isList);
        const QStringList expected = plainFilter(QString::fromLatin1(c.regex), words, c.least, c.most);
        QStringList found;
        EXPECT_TRUE(TSPatternSearch::addWordsToArray(found, c.least, c.most, list, expression));
        EXPECT_EQ(found, expected);
        nonEmpty += !expected.isEmpty();
    }
    EXPECT_GE(nonEmpty, 5);
}

// A costly pattern in the grouped search stops the group it is costly in,
// keeping what that group found before the stop, and the error says why;
// a word of the first group stays its own when a later group finds it too.
TEST(PatternSearch, GroupsStopOnCostlyPatternsAndKeepFirstOwners) {
    const QStringList hostile(20, QString(40, QLatin1Char('a')) + QLatin1Char('!'));
    const QList<TSPatternSearch::Group> groups = {
        {QStringLiteral("mine"), [] { return TSWordList({QStringLiteral("aab"), QStringLiteral("ab")}); }},
        {QStringLiteral("other"), [hostile] {
             return TSWordList(QStringList{QStringLiteral("ab"), QStringLiteral("aaab")} + hostile + QStringList{QStringLiteral("aaaab")});
         }},
        {QStringLiteral("last"), [] { return TSWordList({QStringLiteral("aaab"), QStringLiteral("aaaaab")}); }},
    };
    QList<TSSearchRow> rows;
    QString error;
    QElapsedTimer timer;
    timer.start();
    TSPatternSearch::runGroups(QStringLiteral("(a|aa)+[b-z]"), 1, 100, groups, [&](const QList<TSSearchRow>& r) { rows = r; }, &error);
    EXPECT_LT(timer.elapsed(), 30000);
    EXPECT_TRUE(error.contains(QStringLiteral("too costly"))) << qPrintable(error);
    EXPECT_EQ(rowTexts(rows), QStringLiteral("[mine] aab ab [other] aaab [last] aaaaab"));

    error.clear();
    TSPatternSearch::runGroups(QStringLiteral("a+b"), 1, 100, groups, [&](const QList<TSSearchRow>& r) { rows = r; }, &error);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(rowTexts(rows), QStringLiteral("[mine] aab ab [other] aaab aaaab [last] aaaaab"));
}

TEST(PatternSearch, ZippedListsAreGroupedWithoutDuplicates) {
    QTemporaryDir home, res;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    qputenv("TS_RESOURCES_DIR", res.path().toUtf8());
    // Small lists zipped by python3's zipfile, in three encodings.
    const PythonRun py = runPython(QStringLiteral(R"(
import sys, zipfile, os
d = sys.argv[1]
lists = {'llWords.txt': 'rosa\t12\r\nrosae\t3\r\nrota\t2\r\n'.encode('utf-8'),
         'residuals.txt': 'rosae\nRose\nrosarum\nrose\n'.encode('utf-16'),
         'Zerivuv Words.txt': 'rosae\nros\xe6\n\x00\x01junk\nrose\n'.encode('latin-1')}
for name, data in lists.items():
    with zipfile.ZipFile(os.path.join(d, name + '.zip'), 'w') as z:
        z.writestr(name, data)
)"), {res.path()});
    ASSERT_EQ(py.exitCode, 0) << qPrintable(py.err);
    TSWordLists::resetCaches();
    QList<TSPatternSearch::Group> groups = {
        {QStringLiteral("mine"), [] { return QStringList{QStringLiteral("rose")}; }},
        {QStringLiteral("Latin Library"), [] { return TSWordLists::llWords(); }},
        {QStringLiteral("Words listall"), [] { return TSWordLists::residualWords(); }},
        {QStringLiteral("Zerivuv"), [] { return TSWordLists::zerivuvWords(); }},
    };
    int publications = 0;
    QList<TSSearchRow> rows;
    EXPECT_TRUE(TSPatternSearch::runGroups(QStringLiteral("ros(ae|e|\u00e6)"), 1, 10, groups,
                                           [&](const QList<TSSearchRow>& r) { ++publications, rows = r; }));
    EXPECT_EQ(publications, 4);
    EXPECT_EQ(rowTexts(rows), QStringLiteral("[mine] rose [Latin Library] rosae [Words listall] Rose [Zerivuv] ros\u00e6"));
    EXPECT_TRUE(QFile::exists(QDir(Preferences::proximityPatternFolder()).filePath(QStringLiteral("llWords.txt"))));

    // An empty pattern lists only the headers.
    TSPatternSearch::runGroups(QString(), 1, 10, groups, [&](const QList<TSSearchRow>& r) { rows = r; });
    EXPECT_EQ(rows.size(), 4);
    TSWordLists::resetCaches();
    qunsetenv("TS_RESOURCES_DIR");
}

TEST(WordLists, EncodingsLineEndsAndJunk) {
    EXPECT_EQ(TSWordLists::decodeText(QByteArray("\xFF\xFEr\0o\0", 6)), QStringLiteral("ro"));
    EXPECT_EQ(TSWordLists::decodeText(QByteArray("\xFE\xFF\0r\0o", 6)), QStringLiteral("ro"));
    EXPECT_EQ(TSWordLists::decodeText(QByteArray("\xEF\xBB\xBFros\xC3\xA6")), QStringLiteral("ros\u00e6"));
    EXPECT_EQ(TSWordLists::decodeText(QByteArray("ros\xE6")), QStringLiteral("ros\u00e6"));  // Latin-1
    EXPECT_EQ(TSWordLists::splitLines(QStringLiteral("a\t3\r\nb\r\n\x01\x02zz\n\nc"), true),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("c")}));
}

// The searched form of a list file holds the words the plain reader gives,
// whatever the encoding, line ends, blank or junk lines, repeats, letters
// beyond ASCII and word lengths; its copy, summaries and buckets agree with
// the words as computed here; a file changed on disk reads anew.
TEST(WordLists, CompactListsHoldTheWordsOfTheFile) {
    const QString longWord = QString(70000, QLatin1Char('a')) + QStringLiteral("e");
    const QString text = QStringLiteral("rosa\t12\r\n\r\nrosa\t3\r\nros\u00e6\r\nQu\u0101e\r\n\u0001junk\r\n") + longWord +
                         QStringLiteral("\r\n\u2014\r\nx\nz");
    const QStringList firstFields = {QStringLiteral("rosa"), QString(), QStringLiteral("rosa"), QStringLiteral("ros\u00e6"),
                                     QStringLiteral("Qu\u0101e"), longWord, QStringLiteral("\u2014"), QStringLiteral("x"), QStringLiteral("z")};
    QStringList wholeLines = firstFields;
    wholeLines[0] = QStringLiteral("rosa\t12");
    wholeLines[2] = QStringLiteral("rosa\t3");
    QStringEncoder le(QStringEncoder::Utf16LE), be(QStringEncoder::Utf16BE);
    const QByteArray encodings[] = {QByteArray("\xEF\xBB\xBF") + text.toUtf8(), QByteArray("\xFF\xFE") + QByteArray(le(text)),
                                    QByteArray("\xFE\xFF") + QByteArray(be(text))};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    for (const QByteArray& bytes : encodings)
        for (const bool firstField : {true, false}) {
            writeBytes(path, bytes);
            const TSWordList list = TSWordLists::readWordList(path, firstField);
            const QStringList& expected = firstField ? firstFields : wholeLines;
            EXPECT_EQ(TSWordLists::readList(path, firstField), expected);
            ASSERT_EQ(list.words(), expected);
            ASSERT_TRUE(list.isCompact());
            EXPECT_EQ(list.longest(), longWord.size());
            std::vector<int> firstSeen(size_t(list.size()), 0), lastSeen(size_t(list.size()), 0);
            std::vector<quint32> wide;
            for (qsizetype i = 0; i < list.size(); ++i) {
                const QString& w = expected[i];
                EXPECT_EQ(list.word(i), QStringView(w));
                EXPECT_EQ(list.starts()[i + 1] - list.starts()[i], quint32(w.size()));
                quint64 head = 0, tail = 0;
                quint32 letters = 0;
                bool isWide = false;
                for (qsizetype k = 0; k < w.size(); ++k) {
                    const char16_t c = w[k].unicode();
                    if (k < 4) head += quint64(c) << (16 * k);
                    if (k >= w.size() - 4) tail += quint64(c) << (16 * (3 - (w.size() - 1 - k)));
                    const QChar lower = w[k].toLower();
                    letters |= lower >= QLatin1Char('a') && lower <= QLatin1Char('z') && c < 0x80 ? 1u << (lower.unicode() - 'a') : TSWordList::kOtherUnit;
                    isWide = isWide || c > 0x7F;
                }
                EXPECT_EQ(list.heads()[i], head) << i;
                EXPECT_EQ(list.tails()[i], tail) << i;
                EXPECT_EQ(list.letters()[i], letters) << i;
                EXPECT_EQ(bool(list.wides()[i]), isWide) << i;
                if (isWide) wide.push_back(quint32(i));
            }
            EXPECT_EQ(list.wideWords(), wide);
            // Every word in exactly one bucket of each kind, the one of its
            // first (last) unit, ascending inside it.
            for (const bool last : {false, true}) {
                const quint32* order = last ? list.byLast() : list.byFirst();
                const quint32* b = last ? list.lastBounds() : list.firstBounds();
                std::vector<int>& seen = last ? lastSeen : firstSeen;
                EXPECT_EQ(b[0], 0u);
                EXPECT_EQ(b[TSWordList::kBuckets], quint32(list.size()));
                for (int bucket = 0; bucket < TSWordList::kBuckets; ++bucket)
                    for (quint32 k = b[bucket]; k < b[bucket + 1]; ++k) {
                        const QString& w = expected[order[k]];
                        const int want = w.isEmpty() ? TSWordList::kEmptyBucket
                                         : (last ? w.back() : w.front()).unicode() > 0x7F ? TSWordList::kWideBucket
                                                                                          : (last ? w.back() : w.front()).unicode();
                        EXPECT_EQ(bucket, want) << qPrintable(w.left(10));
                        if (k > b[bucket]) {
                            EXPECT_LT(order[k - 1], order[k]);
                        }
                        ++seen[order[k]];
                    }
                EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), list.size());
            }
        }

    // The file rewritten in place: a new read holds the new words, while the
    // list read before keeps the old ones.
    writeBytes(path, "rosa\n");
    const TSWordList before = TSWordLists::readWordList(path, false);
    writeBytes(path, "arma\nuirumque\ncano\n");
    EXPECT_EQ(TSWordLists::readWordList(path, false).words(), (QStringList{QStringLiteral("arma"), QStringLiteral("uirumque"), QStringLiteral("cano"), QString()}));
    EXPECT_EQ(before.words(), (QStringList{QStringLiteral("rosa"), QString()}));
    EXPECT_EQ(before.word(0), QStringLiteral("rosa"));
    QFile::remove(path);
    EXPECT_TRUE(TSWordLists::readWordList(path, false).isEmpty());
}

// The residual list is read on each call, so an edit of its file shows in
// the next search.
TEST(WordLists, ResidualListFollowsItsFile) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    const QString folder = Preferences::proximityPatternFolder();
    ASSERT_FALSE(folder.isEmpty());
    const QString path = QDir(folder).filePath(TSWordLists::residualWordsFile());
    writeBytes(path, "rosa\nrosae\n");
    EXPECT_EQ(TSWordLists::residualWords().words(), (QStringList{QStringLiteral("rosa"), QStringLiteral("rosae"), QString()}));
    writeBytes(path, "\xEF\xBB\xBFros\xC3\xA6\r\n");
    const TSWordList now = TSWordLists::residualWords();
    EXPECT_EQ(now.words(), (QStringList{QStringLiteral("ros\u00e6"), QString()}));
    QStringList found;
    EXPECT_TRUE(TSPatternSearch::addWordsToArray(found, 1, 10, now, QStringLiteral("ros(ae|\u00e6)")));
    EXPECT_EQ(found, QStringList{QStringLiteral("ros\u00e6")});
}

TEST(Proximity, CountsNeighboursCleaningAndRanking) {
    TSProximitySummary s;
    s.parseLine({QStringLiteral("ut"), QStringLiteral("ut"), QStringLiteral("ut")});
    auto ut = s.entry(QStringLiteral("ut"));
    ASSERT_TRUE(ut);
    EXPECT_EQ(ut->count(), 3);
    EXPECT_FLOAT_EQ(ut->priorWords().value(QStringLiteral("ut")), 2.5f);
    EXPECT_FLOAT_EQ(ut->followingWords().value(QStringLiteral("ut")), 2.5f);
    EXPECT_TRUE(s.objectForKey(ts::Value(QStringLiteral("ut"))).isObject());

    EXPECT_EQ(TSProximitySummary::makeWordArray(QStringLiteral("A&B")),
              (QStringList{QStringLiteral("a"), QStringLiteral("et"), QStringLiteral("b")}).join(QLatin1Char(' ')).split(QLatin1Char(' ')) );
    TSProximitySummary t;
    t.summariseString(QStringLiteral("Vir virum \u00c6neas b, uir.\nsolus"));
    EXPECT_EQ(t.entry(QStringLiteral("uir"))->count(), 2);
    EXPECT_TRUE(t.entry(QStringLiteral("aeneas")));
    EXPECT_FALSE(t.entry(QStringLiteral("b")));  // one-letter words other than o a e i are dropped
    EXPECT_EQ(t.entry(QStringLiteral("solus"))->priorWords().size(), 0);  // lines end at line ends

    // Ranking: two words before the gap and one after vote.
    TSProximitySummary r;
    for (int i = 0; i < 3; ++i) r.summariseString(QStringLiteral("arma uirumque cano\narma uirosque cano\narma uirumque canit\nuirumque cano"));
    QStringList results;
    r.sortResults(results, {QStringLiteral("arma"), QStringLiteral("?"), QStringLiteral("cano")}, 1);
    ASSERT_GE(results.size(), 2);
    EXPECT_EQ(results.first(), QStringLiteral("uirumque"));
    QStringList given = {QStringLiteral("uirosque"), QStringLiteral("nihil"), QStringLiteral("uirumque")};
    r.sortResults(given, {QStringLiteral("?"), QStringLiteral("cano")}, 0);  // only the word after
    EXPECT_EQ(given.first(), QStringLiteral("uirumque"));
    EXPECT_EQ(given.last(), QStringLiteral("nihil"));

    // Pruning: count 29 dropped; count 250 keeps neighbours of weight >= 2.5.
    TSProximitySummary p;
    for (int i = 0; i < 29; ++i) p.parseLine({QStringLiteral("rarum")});
    for (int i = 0; i < 250; ++i) p.parseLine({i < 2 ? QStringLiteral("x1") : QStringLiteral("x2"), QStringLiteral("et")});
    auto pruned = p.pruned();
    EXPECT_FALSE(pruned->entry(QStringLiteral("rarum")));
    ASSERT_TRUE(pruned->entry(QStringLiteral("et")));
    EXPECT_EQ(pruned->entry(QStringLiteral("et"))->priorWords().keys(), QStringList{QStringLiteral("x2")});
}

TEST(CorpusTools, FolderAnalysisWordCountRipAndExports) {
    QTemporaryDir dir;
    const QDir d(dir.path());
    ASSERT_TRUE(d.mkpath(QStringLiteral("pages/sub")));
    QByteArray body;
    for (int i = 0; i < 35; ++i) body += "arma uirumque cano. ";
    writeBytes(d.filePath(QStringLiteral("pages/a.html")), "<html><head><title>Aeneis</title></head><body><p>" + body + "</p></body></html>");
    writeBytes(d.filePath(QStringLiteral("pages/sub/b.shtml")), "<html><body><p>Troiae qui primus ab oris</p></body></html>");
    writeBytes(d.filePath(QStringLiteral("pages/index.html")), "<html><head><title>Index</title></head><body><p>index page</p></body></html>");
    writeBytes(d.filePath(QStringLiteral("pages/c.html")), "<html><head><title>Aeneis</title></head><body><p>later page</p></body></html>");
    writeBytes(d.filePath(QStringLiteral("pages/notes.txt")), "not a page");

    const QStringList pages = TSCorpusTools::findFilesToOpen({d.filePath(QStringLiteral("pages")), d.filePath(QStringLiteral("pages/a.html"))});
    EXPECT_EQ(pages.size(), 4);
    ASSERT_TRUE(d.mkpath(QStringLiteral("out")));
    qint64 progressCalls = 0;
    const auto result = TSCorpusTools::analyseFolder(pages, d.filePath(QStringLiteral("out")), [&](qint64, qint64) { ++progressCalls; });
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(progressCalls, 4);
    EXPECT_EQ(result.modelEntries, 3);  // arma, uirumque, cano occur 35 times

    const PythonRun py = runPython(QStringLiteral(R"(
import sys, plistlib
d = sys.argv[1]
raw = open(d + '/theLatinLibrary.txt', 'rb').read()
assert raw[:2] in (b'\xff\xfe', b'\xfe\xff'), raw[:4]
lines = raw.decode('utf-16').splitlines()
print(lines[0].split('\t')[1], len(lines))
a = plistlib.load(open(d + '/theLatinLibrary.dat', 'rb'))
objs = a['$objects']
root = objs[a['$top']['root'].data]
print(objs[objs[root['$class'].data]['$classname']] if False else objs[root['$class'].data]['$classname'])
store = objs[root['storedData'].data]
keys = sorted(objs[k.data] for k in store['NS.keys'])
print(','.join(keys))
entry = objs[store['NS.objects'][0].data]
print(entry['count'], objs[entry['$class'].data]['$classname'])
)"), {d.filePath(QStringLiteral("out"))});
    ASSERT_EQ(py.exitCode, 0) << qPrintable(py.err);
    const QStringList out = py.out.split(QLatin1Char('\n'));
    EXPECT_EQ(out.value(0), QStringLiteral("35 11"));  // every word, before pruning
    EXPECT_EQ(out.value(1), QStringLiteral("TSProximitySummary"));
    EXPECT_EQ(out.value(2), QStringLiteral("arma,cano,uirumque"));
    EXPECT_EQ(out.value(3), QStringLiteral("35 TSProximityData"));

    // The word count of a file named like a shipped list does not replace it.
    writeBytes(d.filePath(QStringLiteral("llWords.txt")), "Arma arma uirum\n");
    const auto counts = TSCorpusTools::countWords({d.filePath(QStringLiteral("llWords.txt"))});
    const QString written = TSCorpusTools::writeWordCount(counts, d.filePath(QStringLiteral("llWords.txt")), d.filePath(QStringLiteral("out")));
    EXPECT_TRUE(written.endsWith(QStringLiteral("/llWords words.txt"))) << qPrintable(written);
    EXPECT_EQ(TSWordLists::readList(written, false), (QStringList{QStringLiteral("arma\t2"), QStringLiteral("uirum\t1"), QString()}));
    EXPECT_FALSE(TSCorpusTools::writeWordCount({}, d.filePath(QStringLiteral("empty.txt")), d.filePath(QStringLiteral("out"))).isEmpty());

    // Pages into a property list: index skipped, the later of two titles kept.
    const QString plist = d.filePath(QStringLiteral("out/Texts.plist"));
    ASSERT_TRUE(TSCorpusTools::ripPages(d.filePath(QStringLiteral("pages")), plist));
    const PythonRun rip = runPython(QStringLiteral("import sys, plistlib\nd = plistlib.load(open(sys.argv[1], 'rb'))\nprint(len(d), d['Aeneis'].startswith('later page\\n'))"), {plist});
    ASSERT_EQ(rip.exitCode, 0) << qPrintable(rip.err);
    EXPECT_EQ(rip.out.trimmed(), QStringLiteral("1 True"));

    // Plain-letter lines of the frequency list.
    EXPECT_EQ(TSCorpusTools::allASCIIWords(QStringLiteral("ros\u0101\t3\nκαι\t2\nrosa e\t1\nx\u2020\t1")),
              (QStringList{QStringLiteral("rosa\t3"), QStringLiteral("rosae\t1")}));
    EXPECT_EQ(TSCorpusTools::listallArray(QStringLiteral("Vir\nuir\r\n\nJam\n")), (QStringList{QStringLiteral("iam"), QStringLiteral("uir")}));
    ASSERT_TRUE(TSCorpusTools::writeSubstitutions({{QStringLiteral(",q,"), ts::Value(QStringLiteral("que"))}}, d.filePath(QStringLiteral("out/s.plist"))));
    const PythonRun sub = runPython(QStringLiteral("import sys, plistlib\nprint(plistlib.load(open(sys.argv[1], 'rb')))"), {d.filePath(QStringLiteral("out/s.plist"))});
    EXPECT_EQ(sub.out.trimmed(), QStringLiteral("{',q,': 'que'}"));
}

TEST(DictPage, NounVerbAndLookupLines) {
    TSDictPageAnalysis a;
    a.analyseText(QStringLiteral("#rosa, rosae  N (1st) F  :: rose;\n"));
    const QSet<QString> rosa = {QStringLiteral("rosa"), QStringLiteral("rosae"), QStringLiteral("rosam"),
                                QStringLiteral("rosarum"), QStringLiteral("rosis"), QStringLiteral("rosas")};
    QSet<QString> plain;
    for (const QString& f : a.allForms) plain.insert(TSCorpusTools::stripCombiningMarks(f).remove(QLatin1Char('_')));
    EXPECT_EQ(plain, rosa) << qPrintable(a.allForms.values().join(QLatin1Char(' ')));

    TSDictPageAnalysis b;
    b.analyseText(QStringLiteral("#dominus, domini  N (2nd) M  :: lord\n"
                                 "#nemo, neminis  N (3rd)   :: nobody\n"    // no gender: looked up
                                 "#fas  N  Q  :: right\n"                   // one part, unknown code: as it stands
                                 "#fero, ferre, tuli, latus  V  :: bear\n"  // no conjugation: looked up
                                 "  #indented  ADV\n"
                                 "#et  CONJ  :: and\n"));
    EXPECT_TRUE(b.allForms.contains(QStringLiteral("domin\u014drum")) || b.allForms.contains(QStringLiteral("dominorum")))
        << qPrintable(b.allForms.values().join(QLatin1Char(' ')));
    EXPECT_TRUE(b.allForms.contains(QStringLiteral("fas")));
    EXPECT_TRUE(b.allForms.contains(QStringLiteral("et")));
    EXPECT_EQ(b.wordLookups, (QSet<QString>{QStringLiteral("nemo neminis"), QStringLiteral("fero ferre tuli latus")}));
}

TEST(DictPage, ShippedPageYieldsForms) {
    const QString page = TSDictPageAnalysis::bundledPage();
    ASSERT_GT(page.size(), 1000000);
    TSDictPageAnalysis a;
    a.analyseText(page);
    EXPECT_GT(a.entries, 30000);
    EXPECT_GT(a.allForms.size(), 200000);
    QSet<QString> plain;
    for (const QString& f : a.allForms) plain.insert(TSCorpusTools::stripCombiningMarks(f));
    for (const char* w : {"puellarum", "amauisti", "regibus", "bonorum"}) EXPECT_TRUE(plain.contains(QString::fromLatin1(w))) << w;
    // Every form is one word: two endings written in one form come out as
    // their two words.
    QStringList slashed;
    for (const QString& f : a.allForms)
        if (f.contains(QLatin1Char('/')) || f.contains(QLatin1Char(' '))) slashed << f;
    slashed.sort();
    EXPECT_TRUE(slashed.isEmpty()) << slashed.size() << ": " << slashed.mid(0, 40).join(QLatin1Char(' ')).toStdString();
    for (const char* w : {"abbatiales", "abbatialis"}) EXPECT_TRUE(plain.contains(QString::fromLatin1(w))) << w;
}

TEST(CorpusTools, ProgressLogsEmptyCorpusAndCancel) {
    QTemporaryDir dir;
    const QDir d(dir.path());
    QStringList pages;
    for (int i = 0; i < 25; ++i) {
        const QString p = d.filePath(QStringLiteral("p%1.html").arg(i, 2, 10, QLatin1Char('0')));
        writeBytes(p, "<html><body><p>rara auis</p></body></html>");
        pages.append(p);
    }
    CaptureLogger::Scope capture;
    const auto result = TSCorpusTools::analyseFolder(pages, dir.path());
    EXPECT_TRUE(result.ok);
    QStringList progress;
    for (const QString& t : capture->take())
        if (t.contains(QStringLiteral(" of 25 "))) progress.append(t.section(QStringLiteral(" of "), 0, 0).section(QLatin1Char(' '), -1));
    EXPECT_EQ(progress, (QStringList{QStringLiteral("10"), QStringLiteral("20")}));
    EXPECT_EQ(result.words, 2);
    EXPECT_EQ(result.modelEntries, 0);  // every word under 30: a full list, an empty model
    const PythonRun py = runPython(QStringLiteral(R"(
import sys, plistlib
a = plistlib.load(open(sys.argv[1] + '/theLatinLibrary.dat', 'rb'))
root = a['$objects'][a['$top']['root'].data]
print(len(a['$objects'][root['storedData'].data]['NS.keys']))
print(open(sys.argv[1] + '/theLatinLibrary.txt', 'rb').read().decode('utf-16').split())
)"), {dir.path()});
    ASSERT_EQ(py.exitCode, 0) << qPrintable(py.err);
    EXPECT_EQ(py.out, QStringLiteral("0\n['auis', '25', 'rara', '25']\n"));

    // A cancelled run writes nothing.
    QTemporaryDir out;
    std::atomic<bool> cancel{true};
    EXPECT_TRUE(TSCorpusTools::analyseFolder(pages, out.path(), {}, &cancel).cancelled);
    EXPECT_TRUE(QDir(out.path()).isEmpty());

    // Junk lines of the frequency list are logged unless they hold Greek.
    TSCorpusTools::allASCIIWords(QStringLiteral("\u03ba\u03b1\u03b9\t2\n\u2020\u2021\t1"));
    const QStringList logged = capture->take();
    EXPECT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged.value(0).contains(QStringLiteral("Greek chars not found")));
}

TEST(DictPage, InvariableWordsAndOddLines) {
    CaptureLogger::Scope capture;
    TSDictPageAnalysis a;
    a.analyseText(QStringLiteral("#hic, haec, hoc  PRON  :: this\n"
                                 "#unus  NUM  :: one\n"
                                 "#duo, duae  NUM  :: two\n"          // several parts: nothing
                                 "#-cumque  PACK  :: -ever\n"
                                 "#Abba  N  undeclined  :: father\n"
                                 "#Iuppiter  ADV  :: by Jove\n"
                                 "#a b c d e f g h i k l m o  ADV\n"));
    EXPECT_EQ(a.allForms, (QSet<QString>{QStringLiteral("hic"), QStringLiteral("haec"), QStringLiteral("hoc"),
                                         QStringLiteral("unus"), QStringLiteral("abba"), QStringLiteral("iuppiter"),
                                         QStringLiteral("a")}));
    EXPECT_TRUE(capture->contains(QStringLiteral("Too long")));
    EXPECT_EQ(a.entries, 7);
}
