// The survey of a source: element order, text and attribute elements, the
// header's values, entities, and the survey of a body without settings.

#include "ImportTestSupport.h"
#include "support/CaptureLogger.h"
#include "support/Python.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList strings(const ts::Value& v) {
    QStringList out;
    for (const ts::Value& s : v.array()) out << s.toString();
    return out;
}

TEST(Survey, TextAroundAChildDoesNotCount) {
    TSElementParser p;
    const ts::Value r = p.parseData("<p>one <hi>two</hi> three</p>");
    EXPECT_EQ(strings(r[QStringLiteral("Elements")]), (QStringList{"p", "hi"}));
    EXPECT_EQ(strings(r[QStringLiteral("Data Elements")]), QStringList{QStringLiteral("hi")});
}

TEST(Survey, PunctuationAloneIsNoText) {
    TSElementParser p;
    const ts::Value r = p.parseData("<l n=\"3\">, ;</l>");
    EXPECT_EQ(strings(r[QStringLiteral("Attribute Elements")]), QStringList{QStringLiteral("l")});
    EXPECT_FALSE(r.contains(QStringLiteral("Data Elements")));
    EXPECT_EQ(TSElementParser::trimString(QStringLiteral(" .a, b;\t")), std::optional<QString>(QStringLiteral("a, b")));
    EXPECT_FALSE(TSElementParser::trimString(QStringLiteral(".,;: \n\t")));
    EXPECT_FALSE(TSElementParser::trimString(QString()));
}

TEST(Survey, HeaderValuesJoinAndTheSurveyStopsAtTheHeadersEnd) {
    QByteArray doc = "<TEI.2><teiHeader><title>X</title><title>Y</title></teiHeader><text><body>";
    for (int i = 0; i < 2000; ++i) doc += "<p>words &unknownbody;</p>";
    doc += "</body></text></TEI.2>";
    CaptureLogger::Scope log;
    TSHeaderElementParser p;
    const ts::Value r = p.parseData(doc);
    ASSERT_TRUE(r.isDictionary()) << p.errorMessage().toStdString();
    EXPECT_EQ(r[QStringLiteral("Data Dictionary")][QStringLiteral("title")].toString(), QStringLiteral("X| Y"));
    EXPECT_FALSE(strings(r[QStringLiteral("Elements")]).contains(QStringLiteral("body")));
    EXPECT_EQ(log->count(), 0) << log->messages().join(QLatin1Char('\n')).toStdString();
}

TEST(Survey, EntitiesResolveFromTheTableOrToTheirName) {
    CaptureLogger::Scope log;
    TSHeaderElementParser p;
    const ts::Value r = p.parseData("<teiHeader><a>x &mdash; y &ldquo;z&rdquo; &oelig; &nosuchentity;</a></teiHeader>");
    EXPECT_EQ(r[QStringLiteral("Data Dictionary")][QStringLiteral("a")].toString(),
              QStringLiteral("x \u2014 y \u201Cz\u201D \u0153 nosuchentity"));
    EXPECT_EQ(log->count(), 1);
    EXPECT_TRUE(log->contains(QStringLiteral("resolveExternalEntityName nosuchentity")));
    // Latin 1, Latin 2, publishing and numeric sets, and the Perseus header names.
    for (const char* name : {"eacute", "aelig", "euml", "Aacute", "dagger", "lsquo", "rsquo", "amacr", "half", "fund.NEH"})
        EXPECT_TRUE(TSElementParser::lookupList().contains(QString::fromLatin1(name))) << name;
}

// The header of a real source against python's reading of the same header.
TEST(Survey, RealHeaderMatchesAnIndependentReading) {
    const QString path = teiPath(QStringLiteral("eclogues-lat"));
    const PythonRun py = runPython(QStringLiteral(R"(
import sys, re, json, html.entities, xml.etree.ElementTree as ET
t = open(sys.argv[1], encoding='utf-8').read()
t = re.sub(r'<!DOCTYPE.*?\]>', '', t, count=1, flags=re.S)
t = re.sub(r'&(responsibility|fund\.NEH|Perseus\.publish);', '', t)
t = re.sub(r'&([A-Za-z][A-Za-z0-9.]*);', lambda m: m.group(0) if m.group(1) in ('amp', 'lt', 'gt') else html.entities.html5.get(m.group(1) + ';', m.group(1)), t)
h = ET.fromstring(t).find('teiHeader')
strip = lambda s: s.strip('.,;: \n\t')
titles = [strip(e.text) for e in h.iter('title') if e.text and strip(e.text)]
print(json.dumps({'title': '| '.join(titles), 'names': list(dict.fromkeys(e.tag for e in h.iter()))}))
)"),
                                   {path});
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(py.out.toUtf8()).object();
    TSHeaderElementParser p;
    const ts::Value r = p.parseFileAtLocation(QUrl::fromLocalFile(path));
    ASSERT_TRUE(r.isDictionary()) << p.errorMessage().toStdString();
    EXPECT_EQ(r[QStringLiteral("Data Dictionary")][QStringLiteral("title")].toString(), o[QStringLiteral("title")].toString());
    QStringList names;
    for (const QJsonValue& v : o[QStringLiteral("names")].toArray()) names << v.toString();
    EXPECT_EQ(strings(r[QStringLiteral("Elements")]), QStringList{QStringLiteral("TEI.2")} + names);
    EXPECT_EQ(r[QStringLiteral("Data Dictionary")][QStringLiteral("publisher")].toString(), QStringLiteral("Ginn & Co"));
}

TEST(Survey, BodyWithoutSettingsIsASurvey) {
    TSBodyElementParser p;
    p.setCurIdentifier(QStringLiteral("latin"));
    const ts::Value r = p.parseFileAtLocation(QUrl::fromLocalFile(teiPath(QStringLiteral("eclogues-lat"))));
    ASSERT_TRUE(r.isDictionary());
    EXPECT_FALSE(r.contains(QStringLiteral("Books")));
    EXPECT_FALSE(r.contains(QStringLiteral("TheFootnote")));
    EXPECT_EQ(strings(r[QStringLiteral("Elements")]),
              (QStringList{"body", "div1", "head", "sp", "speaker", "l", "del", "lg", "quote"}));
    const ts::Value& attributes = r[QStringLiteral("Attributes Dictionary")];
    EXPECT_EQ(attributes[QStringLiteral("div1")].array().size(), 10u);  // distinct sets
    EXPECT_EQ(attributes[QStringLiteral("l")].array().size(), 162u);    // 100 or more: as collected
    EXPECT_TRUE(attributes[QStringLiteral("speaker")].array().empty());
    const ts::Value& samples = r[QStringLiteral("Strings Dictionary")];
    EXPECT_EQ(samples[QStringLiteral("speaker")].array().size(), 93u);
    EXPECT_EQ(samples[QStringLiteral("l")].array().size(), size_t(TSBodyElementParser::kMaxSamplesPerElement));
    EXPECT_EQ(samples[QStringLiteral("speaker")].array().front().toObjectAs<ts::AttributedString>()->string(),
              QStringLiteral("Meliboeus"));
    EXPECT_TRUE(strings(r[QStringLiteral("Data Elements")]).contains(QStringLiteral("l")));
    EXPECT_FALSE(strings(r[QStringLiteral("Data Elements")]).contains(QStringLiteral("lg")));
    EXPECT_EQ(p.numLines(), float(readAll(teiPath(QStringLiteral("eclogues-lat"))).count('\n') + 1));
}

TEST(Survey, RepeatedAttributeSetsShrinkOnlyBelowOneHundred) {
    for (int n : {99, 100}) {
        QByteArray doc = "<body>";
        for (int i = 0; i < n; ++i) doc += "<l n=\"1\">a</l>";
        doc += "</body>";
        TSBodyElementParser p;
        p.setCurIdentifier(QStringLiteral("latin"));
        const ts::Value r = p.parseData(doc);
        EXPECT_EQ(r[QStringLiteral("Attributes Dictionary")][QStringLiteral("l")].array().size(), n == 99 ? 1u : 100u);
    }
}

// Values that repeat are kept once and shared between the sets; past the
// cap on shared values (ids, all different) they are kept as read. Either
// way every set reads back as written, in document order.
TEST(Survey, AttributeSetsKeepTheirOwnValuesWhetherRepeatedOrNot) {
    QByteArray doc = "<body>";
    std::vector<std::pair<QString, QString>> written;
    for (int i = 0; i < 6000; ++i) {
        // Repeating numbers, ids that never repeat, an empty value, and a
        // value with a reference, which the reader decodes.
        const QString n = QString::number(i % 7 == 0 ? i : i % 40);
        const QString id = i % 3 == 0 ? QStringLiteral("") : i % 5 == 0 ? QStringLiteral("a&b") : QStringLiteral("v%1").arg(i);
        QString inFile = id;
        inFile.replace(QLatin1String("&"), QLatin1String("&amp;"));
        doc += QStringLiteral("<l n=\"%1\" id=\"%2\">a</l>").arg(n, inFile).toUtf8();
        written.emplace_back(n, id);
    }
    doc += "</body>";
    TSBodyElementParser p;
    p.setCurIdentifier(QStringLiteral("latin"));
    const ts::Value r = p.parseData(doc);
    const ts::ValueArray& sets = r[QStringLiteral("Attributes Dictionary")][QStringLiteral("l")].array();
    ASSERT_EQ(sets.size(), written.size());
    for (size_t i = 0; i < sets.size(); ++i) {
        ASSERT_EQ(sets[i].dictionary().size(), 2u) << i;
        EXPECT_EQ(sets[i][QStringLiteral("n")].toString(), written[i].first) << i;
        EXPECT_EQ(sets[i][QStringLiteral("id")].toString(), written[i].second) << i;
    }
    // A second parse by the same reader starts with nothing shared.
    const ts::Value again = p.parseData("<body><l n=\"7\">a</l><l n=\"x\">b</l></body>");
    const ts::ValueArray& twice = again[QStringLiteral("Attributes Dictionary")][QStringLiteral("l")].array();
    ASSERT_EQ(twice.size(), 2u);
    EXPECT_EQ(twice[0][QStringLiteral("n")].toString(), QStringLiteral("7"));
    EXPECT_EQ(twice[1][QStringLiteral("n")].toString(), QStringLiteral("x"));
}

}  // namespace

// A translation is known by the library's file names ("..._eng",
// "...-eng1", "...eng2") or, where the name says nothing, by the header's
// first language.
TEST(Survey, TranslationsAreKnownByNameOrByTheHeadersLanguage) {
    const auto identifier = [](const QString& path) {
        return TSBodyElementParser::identifierForSource(QUrl::fromLocalFile(path));
    };
    const QString english = QStringLiteral("perseusEnglish"), latin = QStringLiteral("latin");
    for (const char* name : {"phi0134.phi001.perseus-eng1.xml", "phi0474.phi051.perseus-eng1.xml",
                             "phi0893.phi004.perseus-eng1.xml"})
        EXPECT_EQ(identifier(sharedPath(QStringLiteral("data/tei2/") + QLatin1String(name))), english) << name;
    for (const char* name : {"phi0134.phi001.perseus-lat1.xml", "phi0474.phi051.perseus-lat1.xml",
                             "phi0893.phi004.perseus-lat1.xml"})
        EXPECT_EQ(identifier(sharedPath(QStringLiteral("data/tei2/") + QLatin1String(name))), latin) << name;
    // No digits after "eng": the header says English.
    EXPECT_EQ(identifier(teiPath(QStringLiteral("eclogues-eng"))), english);
    EXPECT_EQ(identifier(teiPath(QStringLiteral("amphitruo-eng"))), english);
    EXPECT_EQ(identifier(teiPath(QStringLiteral("eclogues-lat"))), latin);

    // The name alone, whatever the header says.
    QTemporaryDir dir;
    const QByteArray latinText = readAll(teiPath(QStringLiteral("eclogues-lat")));
    for (const char* name : {"ecl_eng.xml", "ecl.perseus-eng2.xml", "ecl-eng12.xml", "ecl.eng1.xml"}) {
        QFile f(dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(latinText);
        f.close();
        EXPECT_EQ(identifier(f.fileName()), english) << name;
    }
    for (const char* name : {"english.xml", "ecl-engx.xml", "ecl-eng.xml", "legend2.xml"}) {
        QFile f(dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(latinText);
        f.close();
        EXPECT_EQ(identifier(f.fileName()), latin) << name;
    }
    // A file that is not there, or no header: the Latin column.
    EXPECT_EQ(identifier(dir.filePath(QStringLiteral("missing.xml"))), latin);
}
