// Reading a numbers file other than the one that ships: a process of its own,
// since the resources folder is found once and the words are read once.

#include "morphology/RomanNumerals.h"

#include "support/CaptureLogger.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(NumbersFile, LinesAreReadInTheFileEncodingWithAnyLineEnd) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString text = QStringLiteral(
        "# notes without a tab are ignored\r\n"
        "1\tūnus\tprīmus\r\n"
        "\r\n"
        "2\tduo\r\n"                      // no ordinal
        "x\tnot a number\tnone\n"         // reported with its line, left out
        " 3\ttrēs\ttertius\u2028"         // leading blank, a line separator
        "10\tdecem\tdecimus\r"
        "10\tdecem!\tdecimus!\n"          // a later line replaces an earlier one
        "1000\tmīlle\tmīllēsimus");
    {
        QFile f(dir.filePath(QStringLiteral("Numbers.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // UTF-16 with its byte-order mark.
        QByteArray bytes("\xFF\xFE", 2);
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        f.write(bytes);
    }
    qputenv("TS_RESOURCES_DIR", dir.path().toUtf8());

    CaptureLogger::Scope log;
    EXPECT_EQ(RomanNumerals::cardinalsDictionary().size(), 5);
    EXPECT_EQ(RomanNumerals::ordinalsDictionary().size(), 4);
    EXPECT_TRUE(log->contains(QStringLiteral("Numbers.txt line 5")));
    EXPECT_EQ(RomanNumerals::cardinalForNumber(1), QStringLiteral("ūnus"));
    EXPECT_EQ(RomanNumerals::ordinalForNumber(2), QStringLiteral(""));
    EXPECT_TRUE(RomanNumerals::ordinalForNumber(2).isNull());
    EXPECT_EQ(RomanNumerals::cardinalForNumber(1003), QStringLiteral("mīlle trēs"));
    // The teens have words of their own: a missing one is not made up of ten and three.
    EXPECT_EQ(RomanNumerals::cardinalForNumber(1013), QStringLiteral("mīlle"));
    EXPECT_EQ(RomanNumerals::cardinalForNumber(3010), QStringLiteral("trēs mīlia decem!"));
    // Pieces that are missing are left out; nothing known gives nothing.
    EXPECT_EQ(RomanNumerals::cardinalForNumber(1402), QStringLiteral("mīlle duo"));
    EXPECT_TRUE(RomanNumerals::cardinalForNumber(400).isNull());
}
