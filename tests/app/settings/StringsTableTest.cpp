#include "platform/StringsTable.h"

#include "app/core/TSBundle.h"

#include <QDir>
#include <QSet>
#include <QStringEncoder>

#include <gtest/gtest.h>

using ts::StringsTable;

TEST(StringsTable, QuotedAndUnquotedEntriesWithEscapesAndComments) {
    const QString text = QStringLiteral(
        "/* a block\n comment; with \"quotes\" */\n"
        "\"plain\" = \"value\";\n"
        "// a line comment = \"not an entry\";\n"
        "\"semi\" = \"one; two\";   \"quote\"=\"say \\\"hi\\\"\";\n"
        "unquoted_key.1 = bare/value-2;\n"
        "\"escapes\" = \"a\\nb\\tc\\\\d\\U00e9\\UD83D\\UDE00\\101\";\n"
        "\"selfOnly\";\n"
        "\"\" = \"empty key\";\n"
        "\"plain\" = \"later wins\";\n"
        "\"blank\" = \"\";\n");
    QString error;
    const StringsTable t = StringsTable::fromText(text, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(t.count(), 9);
    EXPECT_EQ(t.value("plain"), "later wins");
    EXPECT_EQ(t.entries().front().second, "value");
    EXPECT_EQ(t.value("semi"), "one; two");
    EXPECT_EQ(t.value("quote"), "say \"hi\"");
    EXPECT_EQ(t.value("unquoted_key.1"), "bare/value-2");
    EXPECT_EQ(t.value("escapes"), QString::fromUtf8("a\nb\tc\\d\u00e9\U0001F600A"));
    EXPECT_EQ(t.value("selfOnly"), "selfOnly");
    EXPECT_EQ(t.value(""), "empty key");
    EXPECT_FALSE(t.contains("not an entry"));
    EXPECT_TRUE(t.value("missing").isNull());
    // An empty value is an entry: only a missing one reads as null.
    EXPECT_TRUE(t.contains("blank"));
    EXPECT_FALSE(t.value("blank").isNull());
    EXPECT_TRUE(t.value("blank").isEmpty());
}

TEST(StringsTable, EncodingsAreDetected) {
    const QString text = QStringLiteral("\"Grammatik\" = \"Grammaire \u00e9l\u00e9mentaire\";");
    QStringEncoder le(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    QStringEncoder be(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom);
    QStringEncoder leNoMark(QStringEncoder::Utf16LE);
    const QList<QByteArray> forms = {le.encode(text), be.encode(text), leNoMark.encode(text), text.toUtf8(),
                                     QByteArray("\xEF\xBB\xBF") + text.toUtf8()};
    for (const QByteArray& data : forms) {
        QString error;
        const StringsTable t = StringsTable::fromData(data, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString() << " for " << data.toHex().left(12).constData();
        EXPECT_EQ(t.value("Grammatik"), QString::fromUtf8("Grammaire \u00e9l\u00e9mentaire"));
    }
}

TEST(StringsTable, BadInputGivesAnEmptyTableAndTheLine) {
    const std::vector<std::pair<QByteArray, QString>> cases = {
        {"\"a\" = \"b\";\n\"c\" = \"d\"\n\"e\" = \"f\";", "line 3"},   // missing semicolon
        {"\"a\" = \"unterminated;\n", "line 1"},
        {"\"a\" = \"b\";\n/* never closed", "line 2"},
        {"\n\n\"a\" \"b\";", "line 3"},                                 // missing "="
        {"\"a\" = ;", "line 1"},
        {"\"a\" = \"b\\U\";", "line 1"},
        {"\xFF\xFE\x41", "odd number"},                                 // truncated UTF-16
        {"\"a\" = \"\xC3\x28\";", "UTF-8"},                             // invalid UTF-8
    };
    for (const auto& [data, where] : cases) {
        QString error;
        const StringsTable t = StringsTable::fromData(data, &error);
        EXPECT_TRUE(t.isEmpty()) << data.constData();
        EXPECT_TRUE(error.contains(where)) << data.constData() << " → " << error.toStdString();
    }
    QString error;
    EXPECT_TRUE(StringsTable::fromFile("/nonexistent/Localizable.strings", &error).isEmpty());
    EXPECT_TRUE(error.contains("/nonexistent/Localizable.strings"));
}

TEST(StringsTable, ShippedTablesParseAndTheReversibleOneHasUniqueTexts) {
    qunsetenv("TS_RESOURCES_DIR");
    for (const char* name : {"Localizable", "NonReversable"}) {
        const QString path = TSBundle::pathForResource(name, "strings");
        ASSERT_FALSE(path.isEmpty()) << name;
        QString error;
        const StringsTable t = StringsTable::fromFile(path, &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_GT(t.count(), 10) << name;
        if (QLatin1String(name) == QLatin1String("Localizable")) {
            QSet<QString> texts;
            for (const auto& [key, value] : t.entries()) {
                EXPECT_FALSE(texts.contains(value)) << "two keys share the text " << value.toStdString();
                texts.insert(value);
            }
        }
    }
}
