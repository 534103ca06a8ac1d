// The reader takes shortcuts: texts that open like one read shortly before
// start from the state that opening left, colour entries are read whole,
// ignored groups are passed over by their braces, control words are read
// sixteen bytes at a time, and fonts, colours and attribute sets are kept
// per thread. Whatever the shortcuts, a text must read exactly as it does
// alone, read by the general path.

#include "bench/RtfDialects.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Rtf.h"
#include "platform/Url.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace ts;

namespace {

RtfReadResult readOnFreshThread(const QByteArray& rtf) {
    RtfReadResult r;
    std::thread([&] { r = readRtf(rtf); }).join();
    return r;
}

// The text with a line end before every control word but the signature:
// the same text to the reader, but no colour entry is in a form read whole,
// no opening is one met before, and every word lies at another offset.
// Only for texts without \bin, whose data must not change.
QByteArray spread(const QByteArray& rtf) {
    QByteArray out = rtf.left(5);
    for (qsizetype i = 5; i < rtf.size(); ++i) {
        if (rtf[i] == '\\' && i + 1 < rtf.size()) {
            if (std::isalpha(static_cast<unsigned char>(rtf[i + 1]))) out += '\n';
            out += rtf.mid(i, 2);
            ++i;
        } else {
            out += rtf[i];
        }
    }
    return out;
}

// Equal in every respect the reader decides: the outcome, the characters,
// where runs begin and end, and every attribute's value (fonts by name and
// size, colours component by component, paragraph styles, links).
testing::AssertionResult sameReading(const RtfReadResult& a, const RtfReadResult& b) {
    if (a.ok != b.ok || a.error != b.error) return testing::AssertionFailure() << "outcome: " << a.error.toStdString() << " / " << b.error.toStdString();
    if (a.text.string() != b.text.string()) return testing::AssertionFailure() << "text: " << a.text.string().toStdString();
    if (a.text.runs().size() != b.text.runs().size()) return testing::AssertionFailure() << "run count " << a.text.runs().size() << " / " << b.text.runs().size();
    qsizetype at = 0;
    for (auto x = a.text.runs().begin(), y = b.text.runs().begin(); x != a.text.runs().end(); ++x, ++y) {
        if (x->length != y->length) return testing::AssertionFailure() << "run at " << at << " length " << x->length << " / " << y->length;
        if (!(x->attributes == y->attributes)) return testing::AssertionFailure() << "attributes of the run at " << at;
        at += x->length;
    }
    return testing::AssertionSuccess();
}

// Texts of this application's own writer, which open alike.
std::vector<QByteArray> ownTexts() {
    std::vector<QByteArray> texts;
    const Attributes plain{{AttributeName::Font, Value(Font::make("Helvetica", 12))}};
    const Attributes marked{{AttributeName::Font, Value(Font::make("Helvetica-Bold", 12))},
                            {AttributeName::Link, Value(Url::make("footnote:0123456789ABCDEF"))},
                            {AttributeName::ForegroundColor, Value(Color::linkColor())},
                            {AttributeName::Underline, Value(1)}};
    for (int i = 0; i < 24; ++i) {
        AttributedString s(QStringLiteral("Arma virumque cano %1 ").arg(i), plain);
        if (i % 3 == 0) s.append(QStringLiteral("[%1]").arg(i), marked);
        texts.push_back(writeRtf(s));
    }
    return texts;
}

// Shapes the writers' dialects leave out: escapes, code pages, Unicode with
// replacement characters, fields, tables, attachments, and what fails.
const char* const kShapes[] = {
    "{\\rtf1\\ansi\\ansicpg1250{\\fonttbl\\f0\\fnil\\fcharset238 Arial CE;\\f1\\fnil\\fcharset0 Menlo;}\\f0 \\'e8\\'9a\\f1 \\'e8}",
    "{\\rtf1\\uc2\\u8212\\'97\\'97 x\\uc0\\u-4064 y{\\uc1\\u233 e z}\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}",
    "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"footnote:12\"}{\\fldrslt\\ul\\cf0 [1]}} after}",
    "{\\rtf1\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell\\row\\pard\\qc centred\\par\\pard\\qr\\tx720\\tx1440 right}",
    "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cb1\\super s\\sub b\\nosupersub\\up6 u\\dn4 d\\strike t\\strike0\\ulth h\\uldb w\\ulnone\\plain p}",
    "{\\rtf1{\\*\\expandedcolortbl;;\\csgray\\c50000\\c25000;}{\\colortbl;\\red1\\green2\\blue3;\\red4\\green5\\blue6;}\\cf1 a\\cf2 b\\highlight1 c}",
    "{\\rtf1{\\NeXTGraphic picture.png \\width640 \\height480}\\'ac after}",
    "{\\rtf1\\b\\i\\fsmilli12500 bold italic\\b0\\i0 plain\\line next\\tab tabbed\\~\\-\\_\\{\\}\\\\}",
    "{\\rtf1\\ansi\\mac \\'8e\\'a5}",
    "{\\rtf1{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times;}{\\f1\\fnil{\\*\\falt Y}X;}}\\f1 x\\f0 y}",
    "{\\rtf1 unclosed",
    "{\\rtf1 x}}",
    "{\\rtf1\\fs24 x\\",
    "not rtf",
};

std::vector<QByteArray> files() {
    std::vector<QByteArray> found;
    QDir dir(QStringLiteral(TS_RTF_REGRESSION_DIR));
    for (const QString& name : dir.entryList({QStringLiteral("*.rtf")}, QDir::Files)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly)) found.push_back(f.readAll());
    }
    QFile credits(QStringLiteral(TS_SOURCE_DIR_DEFAULT "/resources/Credits.rtf"));
    if (credits.open(QIODevice::ReadOnly)) found.push_back(credits.readAll());
    return found;
}

}  // namespace

// Every text is read three ways: in a column with the others on one thread
// (remembered openings, warm caches), alone on a fresh thread, and spread
// out alone on a fresh thread. Each text comes twice in the column, so that
// openings are remembered and met again.
TEST(RtfShortcuts, EveryTextReadsAsItDoesAloneByTheGeneralPath) {
    std::vector<QByteArray> texts;
    for (int i = 0; i < 240; ++i) texts.push_back(rtfdialects::variedText(i));
    for (const QByteArray& t : ownTexts()) texts.push_back(t);
    for (const char* t : kShapes) texts.push_back(QByteArray(t));
    const std::vector<QByteArray> real = files();
    ASSERT_GE(real.size(), 4u) << "the real files were not found";
    texts.insert(texts.end(), real.begin(), real.end());

    std::vector<RtfReadResult> column;
    for (const QByteArray& t : texts) {
        column.push_back(readRtf(t));
        column.push_back(readRtf(t));
    }
    int okCount = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        const QByteArray& t = texts[i];
        const RtfReadResult alone = readOnFreshThread(t);
        okCount += alone.ok ? 1 : 0;
        EXPECT_TRUE(sameReading(column[2 * i], alone)) << "first in the column: " << t.constData();
        EXPECT_TRUE(sameReading(column[2 * i + 1], alone)) << "again in the column: " << t.constData();
        if (t.contains("\\bin")) continue;
        EXPECT_TRUE(sameReading(readOnFreshThread(spread(t)), alone)) << "spread: " << t.constData();
    }
    // The texts do read, mostly: a reader failing alike three ways would
    // pass the comparisons.
    EXPECT_GE(okCount, int(texts.size()) - 6);
    // And the writers' dialects read as the lines they hold.
    for (int i = 0; i < 8; ++i) {
        const QString expected = QString::fromLatin1(rtfdialects::line(rtfdialects::openingOf(i), i, "", "")).replace(QLatin1String("  "), QLatin1String(" "));
        EXPECT_EQ(column[2 * size_t(i)].text.string().trimmed(), expected) << i;
        const FontPtr f = column[2 * size_t(i)].text.attribute(AttributeName::Font, 0).toObjectAs<Font>();
        ASSERT_TRUE(f);
        EXPECT_EQ(f->pointSize(), rtfdialects::openingOf(i).halfPoints / 2.0) << i;
    }
}
