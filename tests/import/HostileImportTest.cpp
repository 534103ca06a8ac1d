// Hostile documents: each fails with a message, gives no result and makes no
// records, and nothing outside the document is read.

#include "ImportTestSupport.h"
#include "support/CaptureLogger.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray billionLaughs() {
    QByteArray d = "<?xml version=\"1.0\"?>\n<!DOCTYPE TEI.2 [\n<!ENTITY lol \"lol\">\n";
    d += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
    for (int i = 2; i <= 9; ++i)
        d += "<!ENTITY lol" + QByteArray::number(i) + " \"" + QByteArray("&lol" + QByteArray::number(i - 1) + ";").repeated(10) + "\">\n";
    d += "]>\n<TEI.2><teiHeader><title>&lol9;</title></teiHeader><text><body><div1><l>&lol9;</l></div1></body></text></TEI.2>";
    return d;
}

QByteArray externalEntity(const QString& target) {
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE TEI.2 [\n<!ENTITY xxe SYSTEM \"file://" + target.toUtf8() +
           "\">\n]>\n<TEI.2><teiHeader><title>&xxe;</title></teiHeader><text><body><div1><l>&xxe;</l></div1></body></text></TEI.2>";
}

QByteArray deepNesting() {
    QByteArray d = "<TEI.2><teiHeader><title>t</title></teiHeader><text><body><div1>";
    d += QByteArray("<l>").repeated(10000) + "deep" + QByteArray("</l>").repeated(10000);
    d += "</div1></body></text></TEI.2>";
    return d;
}

QByteArray invalidUtf8() {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TEI.2><teiHeader><title>t\xC3\x28\xFF</title></teiHeader>"
           "<text><body><div1><l>arma \xE2\x82 virumque</l></div1></body></text></TEI.2>";
}

struct Hostile {
    const char* name;
    QByteArray (*make)(const QString& secret);
    bool inHeader;  // whether the header survey, which stops after the header, meets the fault
};

class HostileImport : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileImport, FailsWithAMessageAndNoRecords) {
    QTemporaryDir dir;
    const QString secret = dir.filePath(QStringLiteral("secret.txt"));
    {
        QFile f(secret);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("TOPSECRET");
    }
    const QString path = dir.filePath(QStringLiteral("hostile.xml"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(GetParam().make(secret));
    }
    CaptureLogger::Scope log;
    TSHeaderElementParser header;
    EXPECT_EQ(header.parseFileAtLocation(QUrl::fromLocalFile(path)).isNull(), GetParam().inHeader);
    EXPECT_EQ(header.errorMessage().isEmpty(), !GetParam().inHeader);

    TSBodyElementParser survey;
    survey.setCurIdentifier(QStringLiteral("latin"));
    EXPECT_TRUE(survey.parseFileAtLocation(QUrl::fromLocalFile(path)).isNull());
    EXPECT_FALSE(survey.errorMessage().isEmpty());

    const Conversion c = convert(path, presetFor(QStringLiteral("eclogues-lat")), QStringLiteral("latin"));
    EXPECT_TRUE(c.result.isNull());
    EXPECT_FALSE(c.parser->errorMessage().isEmpty());
    EXPECT_TRUE(log->contains(QStringLiteral("Parsing Failed")));
    for (const QString& m : log->messages()) EXPECT_FALSE(m.contains(QLatin1String("TOPSECRET")));
}

INSTANTIATE_TEST_SUITE_P(Documents, HostileImport,
                         ::testing::Values(Hostile{"BillionLaughs", [](const QString&) { return billionLaughs(); }, true},
                                           Hostile{"ExternalEntityToAFile", [](const QString& s) { return externalEntity(s); }, true},
                                           Hostile{"ExternalEntityToPasswd", [](const QString&) { return externalEntity(QStringLiteral("/etc/passwd")); }, true},
                                           Hostile{"DeepNesting", [](const QString&) { return deepNesting(); }, false},
                                           Hostile{"InvalidUtf8", [](const QString&) { return invalidUtf8(); }, true},
                                           Hostile{"Truncated", [](const QString&) { return deepNesting().left(5000); }, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HostileImport, AMissingFileFailsWithAMessage) {
    CaptureLogger::Scope log;
    const Conversion c = convert(QStringLiteral("/nonexistent/none.xml"), presetFor(QStringLiteral("eclogues-lat")),
                                 QStringLiteral("latin"));
    EXPECT_TRUE(c.result.isNull());
    EXPECT_TRUE(c.parser->errorMessage().contains(QLatin1String("none.xml")));
    EXPECT_TRUE(log->contains(QStringLiteral("Unable to load string for none.xml")));
    EXPECT_EQ(c.parser->numLines(), 0.f);
}

// The real sources declare their DTD and parameter entities by remote
// address; they are read without either being fetched.
TEST(HostileImport, RemoteDtdsOfTheRealSourcesAreNotFetched) {
    const Conversion c = convert(teiPath(QStringLiteral("eclogues-lat")), presetFor(QStringLiteral("eclogues-lat")),
                                 QStringLiteral("latin"));
    ASSERT_TRUE(c.result.isDictionary()) << c.parser->errorMessage().toStdString();
}

}  // namespace
