// The readers take untrusted bytes: each case must end in a clean result
// (ok or a failure with a reason) quickly and without runaway memory.
#include "platform/Rtf.h"
#include "platform/Rtfd.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

using namespace ts;

namespace {

struct Case {
    const char* name;
    QByteArray data;
    bool mayBeOk;
};

// A table of distinct colours in use, then a stream of tiny table changes
// each followed by a character: the work per change must not grow with the
// table.
QByteArray largeTableThenManyChanges() {
    QByteArray d = "{\\rtf1{\\colortbl;";
    for (int i = 0; i < 65000; ++i) d += "\\red" + QByteArray::number(i % 256) + "\\green" + QByteArray::number(i / 256) + ";";
    d += "}\\cf64999 ";
    return d + QByteArray("{\\*\\expandedcolortbl;}x").repeated(3000) + "}";
}

}  // namespace

TEST(RtfHostile, BoundedFailureOnHostileInput) {
    const std::vector<Case> cases = {
        {"deep nesting", "{\\rtf1 " + QByteArray(100000, '{') + "x" + QByteArray(100000, '}') + "}", false},
        {"huge \\bin", "{\\rtf1 \\bin999999999999 x}", false},
        {"negative \\bin", "{\\rtf1 \\bin-5 x}", true},
        {"huge parameters", "{\\rtf1 \\fs99999999999999999999999 \\cf-99999999999 \\f123456789012 \\uc99999 \\u99999999 x}", true},
        {"huge colour index", "{\\rtf1{\\colortbl;\\red300\\green-1\\blue99999999999;}\\cf2147483647 x}", true},
        {"invalid \\u", "{\\rtf1 \\u \\u- \\u-99999 \\u65536 \\'zz \\'}", true},
        {"very long control word", "{\\rtf1 \\" + QByteArray(100000, 'a') + " x}", true},
        {"unterminated field", "{\\rtf1 {\\field{\\*\\fldinst{HYPERLINK \"", false},
        {"attachment never closed", "{\\rtf1 {{\\NeXTGraphic a.png", false},
        {"many tab stops", "{\\rtf1 " + QByteArray("\\tx1").repeated(50000) + " x}", true},
        {"many table entries", "{\\rtf1{\\colortbl" + QByteArray(";").repeated(200000) + "}{\\fonttbl" +
                                  QByteArray("\\f1 a;").repeated(20000) + "} x}", true},
        {"backslash at end", "{\\rtf1 \\", false},
        {"large colour table, then many small changes to the tables", largeTableThenManyChanges(), true},
    };
    for (const Case& c : cases) {
        QElapsedTimer timer;
        timer.start();
        const RtfReadResult r = readRtf(c.data);
        EXPECT_LT(timer.elapsed(), 2000) << c.name;
        if (!c.mayBeOk) {
            EXPECT_FALSE(r.ok) << c.name;
        }
        EXPECT_EQ(r.ok, r.error.isEmpty()) << c.name;
        EXPECT_LE(r.text.length(), c.data.size()) << c.name;
    }
}

// Every input the fuzzers once crashed or hung on stays fixed.
TEST(RtfHostile, FuzzRegressions) {
    const QDir dir(QStringLiteral(TS_RTF_REGRESSION_DIR));
    const QStringList files = dir.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << dir.path().toStdString();
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray data = f.readAll();
        QElapsedTimer timer;
        timer.start();
        const RtfReadResult r = readRtf(data);
        const RtfdReadResult d = readRtfd(data);
        EXPECT_EQ(r.ok, r.error.isEmpty()) << name.toStdString();
        EXPECT_EQ(d.ok, d.error.isEmpty()) << name.toStdString();
        if (r.ok) {
            EXPECT_TRUE(readRtf(writeRtf(r.text)).ok) << name.toStdString();
        }
        EXPECT_LT(timer.elapsed(), 2000) << name.toStdString();
    }
}
