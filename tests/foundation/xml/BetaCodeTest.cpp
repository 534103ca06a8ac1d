// Beta Code to Greek: the capital-mode machine, marks in place, no final
// sigma; and real words checked against their Unicode spelling.

#include "foundation/RKXMLFileParser.h"

#include "XmlTestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using ts::RKXMLFileParser;

namespace {

QString u(std::initializer_list<char16_t> units) {
    QString s;
    for (char16_t c : units) s.append(QChar(c));
    return s;
}

QString convert(const QString& beta) { return RKXMLFileParser::convertBetacode(beta); }

// Canonically decomposed, final sigma written as medial (the conversion has
// no final-sigma rule; the smooth breathing U+0343 decomposes to U+0313).
QString comparable(const QString& greek) {
    return greek.normalized(QString::NormalizationForm_D).replace(QChar(0x03C2), QChar(0x03C3));
}

}  // namespace

TEST(BetaCode, CapitalModeAndMarks) {
    struct Case {
        const char* beta;
        QString greek;
    } cases[] = {
        {"lo/gos", u({0x03BB, 0x03BF, 0x0301, 0x03B3, 0x03BF, 0x03C3})},
        {"*)/anqrwpos", u({0x0343, 0x0301, 0x0391, 0x03BD, 0x03B8, 0x03C1, 0x03C9, 0x03C0, 0x03BF, 0x03C3})},
        {"a)/", u({0x03B1, 0x0343, 0x0301})},
        {"**a", u({0x0391})},
        {"a*", u({0x03B1})},
        {"* a", u({' ', 0x0391})},
        {"*.a", u({'.', 0x0391})},
        {"*,a", u({',', 0x0391})},
        {"*-a", u({'-', 0x0391})},
        {"*q", u({0x0398})},
        {"*v", u({0x03DC})},
        {"v", u({0x03DD})},
        {"*j", u({'j'})},
        {"*ja", u({'j', 0x03B1})},
        {"[a]", u({'[', 0x03B1, ']'})},
        {"*(h|", u({0x0314, 0x0397, 0x0345})},
        {"a(\\=+|", u({0x03B1, 0x0314, 0x0300, 0x0342, 0x0308, 0x0345})},
        {"s1 s2 s3", u({0x03C3, '1', ' ', 0x03C3, '2', ' ', 0x03C3, '3'})},
        {"*3a", u({'3', 0x0391})},  // 3 is punctuation: the capital stays pending
        {"*2a", u({'2', 0x03B1})},  // other digits end it
        {"A^a", u({'A', '^', 0x03B1})},
        {"a;b:c'\n\r", u({0x03B1, ';', 0x03B2, ':', 0x03BE, '\'', '\n', '\r'})},
        {"*a*b", u({0x0391, 0x0392})},
    };
    for (const Case& c : cases) EXPECT_EQ(convert(c.beta), c.greek) << c.beta;

    EXPECT_EQ(RKXMLFileParser::convertBetacode(QString()), QString(""));
    EXPECT_FALSE(RKXMLFileParser::convertBetacode(QString()).isNull());
    // Non-ASCII passes through and ends a pending capital.
    EXPECT_EQ(RKXMLFileParser::convertBetacode(QString::fromUtf8("*éa")), QString::fromUtf8("éα"));
}

TEST(BetaCode, TablesHoldTheDocumentedKeys) {
    EXPECT_EQ(RKXMLFileParser::betacodeConversion().size(), 25 + 10);
    EXPECT_EQ(RKXMLFileParser::capitalBetacodeConversion().size(), 24 + 10);
    EXPECT_EQ(RKXMLFileParser::notCapDictionary().size(), 10);
    EXPECT_EQ(RKXMLFileParser::punctuationSet().size(), 8);
    EXPECT_FALSE(RKXMLFileParser::capitalBetacodeConversion().contains(QStringLiteral("v")));
    EXPECT_EQ(RKXMLFileParser::betacodeConversion().value(QStringLiteral("c")), QString(QChar(0x03BE)));
    EXPECT_EQ(RKXMLFileParser::capitalBetacodeConversion().value(QStringLiteral("y")), QString(QChar(0x03A8)));
    EXPECT_EQ(RKXMLFileParser::notCapDictionary().value(QStringLiteral(")")), QString(QChar(0x0343)));
}

TEST(BetaCode, RealWordsMatchTheirUnicodeSpelling) {
    struct Word {
        const char* beta;
        const char* greek;
    } words[] = {
        {"a)/nqrwpos", "ἄνθρωπος"}, {"h(me/ra", "ἡμέρα"}, {"a)/|dw", "ᾄδω"},   {"oi)=kos", "οἶκος"},
        {"yuxh/", "ψυχή"},          {"qeo/s", "θεός"},    {"e)pi\\", "ἐπὶ"},  {"ou)k", "οὐκ"},
        {"pai=s", "παῖς"},          {"w(s", "ὡς"},        {"a)i+/dios", "ἀΐδιος"}, {"th=|", "τῇ"},
        {"r(h/twr", "ῥήτωρ"},       {"ca/nqos", "ξάνθος"}, {"zw|=on", "ζῷον"},
    };
    for (const Word& w : words)
        EXPECT_EQ(comparable(convert(w.beta)), comparable(QString::fromUtf8(w.greek))) << w.beta;

    // The Greek of the real dictionary entries, written back in Beta Code.
    const QString ls = QString::fromUtf8(xmltest::readAll(xmltest::teiPath("ls-subset.xml")));
    ASSERT_FALSE(ls.isEmpty());
    QStringList greek;
    QRegularExpression foreign(QStringLiteral("<foreign lang=\"greek\">([^<]*)</foreign>"));
    for (auto m = foreign.globalMatch(ls); m.hasNext();) greek << m.next().captured(1);
    const QStringList beta = {"khmo/s", "kamo/s", "ka/neon", "ka/nea ka/nh", "ka/nabos", "ka/nna", "kalu/bh"};
    ASSERT_EQ(greek.size(), beta.size());
    for (qsizetype i = 0; i < beta.size(); ++i) EXPECT_EQ(convert(beta[i]), comparable(greek[i])) << beta[i].toStdString();
}

TEST(BetaCode, AgreesWithTheTableDrivenAlgorithmOnRandomText) {
    // The walk as the tables describe it, one character at a time, against
    // the converter's own fast path.
    auto reference = [](const QString& in) {
        const auto& lower = RKXMLFileParser::betacodeConversion();
        const auto& upper = RKXMLFileParser::capitalBetacodeConversion();
        const auto& notCap = RKXMLFileParser::notCapDictionary();
        const auto& punctuation = RKXMLFileParser::punctuationSet();
        QString out;
        bool capital = false;
        for (QChar c : in) {
            const QString key(c);
            if (capital && upper.contains(key)) {
                out += upper.value(key);
                capital = notCap.contains(key);
            } else if (!capital && lower.contains(key)) {
                out += lower.value(key);
            } else if (punctuation.contains(c)) {
                out += c;
            } else if (c == QLatin1Char('*')) {
                capital = true;
            } else if (c == QLatin1Char('v')) {
                out += QChar(0x03DC);
                capital = false;
            } else {
                out += c;
                capital = false;
            }
        }
        return out;
    };
    const QString alphabet = QString::fromUtf8("abgdezhqiklmncoprstufxyvw*** ,-/\\=)(|+.';:3\n\r129^[]AZjé");
    quint32 seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int len = int(seed % 40);
        for (int k = 0; k < len; ++k) {
            seed = seed * 1664525u + 1013904223u;
            text += alphabet[int((seed >> 8) % quint32(alphabet.size()))];
        }
        seed = seed * 1664525u + 1013904223u;
        ASSERT_EQ(convert(text), reference(text)) << text.toStdString();
    }
}
