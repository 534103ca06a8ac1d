// Element settings: presets, templates, the settings file read back by
// plistlib, wrong types and foreign members, and the seeded settings folder.

#include "ImportTestSupport.h"
#include "support/CaptureLogger.h"
#include "support/Python.h"

#include "platform/PropertyList.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TSImportElementPtr named(const QString& name) {
    auto e = std::make_shared<TSImportElement>();
    e->setName(name);
    return e;
}

class ImportElement : public ::testing::Test {
protected:
    void SetUp() override { TSImportElement::setTemplateElements({}); }
    void TearDown() override { TSImportElement::setTemplateElements({}); }
};

struct PresetCase {
    const char* name;
    qint64 store;
    const char* nameSource;
    const char* idSource;
    const char* insertString;
};

TEST_F(ImportElement, NamesPresetTheirRole) {
    const PresetCase cases[] = {
        {"div1", 1, "\u2022 head", nullptr, nullptr},  {"div2", 2, "\u2022 head", "n", nullptr},
        {"l", 4, nullptr, nullptr, nullptr},           {"placeName", 4, nullptr, nullptr, nullptr},
        {"milestone", 2, "{} n", "n", nullptr},        {"foreign", 4, nullptr, nullptr, nullptr},
        {"gap", 9, nullptr, nullptr, "<\u2026>"},      {"note", 6, nullptr, nullptr, nullptr},
        {"teiHeader", 0, nullptr, nullptr, nullptr},
    };
    for (const PresetCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TSImportElementPtr e = named(QString::fromUtf8(c.name));
        EXPECT_EQ(e->store(), c.store);
        EXPECT_EQ(e->nameSource(), c.nameSource ? QString::fromUtf8(c.nameSource) : QString());
        EXPECT_EQ(e->idSource(), c.idSource ? QString::fromUtf8(c.idSource) : QString());
        EXPECT_EQ(e->insertString(), c.insertString ? QString::fromUtf8(c.insertString) : QString());
        EXPECT_TRUE(e->prependString().isNull());
        EXPECT_TRUE(e->subsectionOf().isNull());
        EXPECT_EQ(e->formatType(), 0);
    }
}

TEST_F(ImportElement, TemplatesWinOverBuiltInPresetsUntilReplaced) {
    auto l = std::make_shared<TSImportElement>();
    l->VDData::setName(QStringLiteral("l"));
    l->setStore(5);
    l->setNameSource(QStringLiteral("Text"));
    CaptureLogger::Scope log;
    TSImportElement::setTemplateElements({std::make_shared<TSImportElement>(), l});
    EXPECT_TRUE(log->contains(QStringLiteral("Nil name setting templateElements")));
    l->setStore(7);  // the table holds its own copy
    const TSImportElementPtr fresh = named(QStringLiteral("l"));
    EXPECT_EQ(fresh->store(), 5);
    EXPECT_EQ(fresh->nameSource(), QStringLiteral("Text"));
    TSImportElement::setTemplateElements({});
    EXPECT_EQ(named(QStringLiteral("l"))->store(), 4);
}

// The file form holds exactly what was set: no preset is added on reading
// nor written out.
TEST_F(ImportElement, FileFormHoldsOnlyWhatIsSet) {
    ts::ValueDictionary d{{QStringLiteral("ClassName"), ts::Value("TSImportElement")},
                          {QStringLiteral("name"), ts::Value("div2")}};
    const TSImportElementPtr e = TSImportElement::dataFromDictionary(ts::Value(d));
    EXPECT_EQ(e->store(), 0);
    EXPECT_TRUE(e->idSource().isNull());
    EXPECT_TRUE(e->nameSource().isNull());

    auto bare = std::make_shared<TSImportElement>();
    bare->VDData::setName(QStringLiteral("teiHeader"));
    const ts::ValueDictionary out = bare->serialize().dictionary();
    QStringList keys;
    for (const auto& [k, v] : out) keys << k;
    EXPECT_EQ(keys, (QStringList{"ClassName", "formatType", "name", "store"}));
    EXPECT_EQ(out.at(QStringLiteral("store")).toInt64(), 0);
}

TEST_F(ImportElement, WrongTypesReadAsDefaults) {
    struct Case {
        const char* key;
        ts::Value value;
    };
    const Case cases[] = {{"store", ts::Value("5")},       {"store", ts::Value(42)},
                          {"store", ts::Value(2.5)},       {"formatType", ts::Value(1)},
                          {"formatType", ts::Value(true)}, {"nameSource", ts::Value(3)},
                          {"idSource", ts::Value(ts::ValueArray{})}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        CaptureLogger::Scope log;
        ts::ValueDictionary d{{QStringLiteral("ClassName"), ts::Value("TSImportElement")},
                              {QStringLiteral("name"), ts::Value("l")},
                              {QStringLiteral("prependString"), ts::Value("> ")},
                              {QString::fromLatin1(c.key), c.value}};
        const TSImportElementPtr e = TSImportElement::dataFromDictionary(ts::Value(d));
        EXPECT_TRUE(log->contains(QStringLiteral("wrong type")));
        EXPECT_EQ(e->store(), 0);
        EXPECT_EQ(e->formatType(), 0);
        EXPECT_TRUE(e->nameSource().isNull());
        EXPECT_TRUE(e->idSource().isNull());
        EXPECT_EQ(e->prependString(), QStringLiteral("> "));
    }
}

TEST_F(ImportElement, StackOrderingAndDisplayName) {
    const TSImportElementPtr e = named(QStringLiteral("div1"));
    e->addStack({"TEI", "text", "body"});
    e->addStack({"TEI", "text"});
    EXPECT_EQ(e->orderedStackList().front(), (QStringList{"TEI", "text"}));
    EXPECT_EQ(e->shortestStack().last(), QStringLiteral("text"));
    e->removeStoredParsedData();
    EXPECT_TRUE(e->stacks().empty());
    EXPECT_TRUE(e->shortestStack().isEmpty());

    e->setHasAttributes(true);
    EXPECT_EQ(e->attributedName()->string(), QStringLiteral("div1{}"));
    EXPECT_TRUE(e->attributedName()->attributes(0).empty());
    e->setHasData(true);
    EXPECT_FALSE(e->attributedName()->attributes(0).empty());
    e->setAttributeArray({{{QStringLiteral("n"), ts::Value("1")}}, {{QStringLiteral("Type"), ts::Value("x")}},
                          {{QStringLiteral("id"), ts::Value("y")}}});
    EXPECT_EQ(e->allAttributeNames(), (QStringList{"id", "n", "Type"}));
}

// The settings file written, read by plistlib, read back here.
TEST_F(ImportElement, SettingsFileRoundTripsAndPlistlibReadsIt) {
    TSElementArrayPtr list = presetFor(QStringLiteral("amphitruo-eng"));
    ASSERT_GT(list->count(), 10u);
    const QByteArray xml = list->exportToPListFormat();
    ASSERT_TRUE(xml.startsWith("<?xml"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("amphitruo-eng.plist"));
    QSaveFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(xml);
    ASSERT_TRUE(out.commit());

    const PythonRun py = runPython(QStringLiteral(R"(
import plistlib, sys, json
items = plistlib.load(open(sys.argv[1], 'rb'))
assert isinstance(items, list)
for d in items:
    assert d['ClassName'] == 'TSImportElement' and isinstance(d['store'], int) and isinstance(d['formatType'], int)
print(json.dumps({'count': len(items), 'note': [d for d in items if d['name'] == 'note'][0]['store'],
                  'roleDesc': [d for d in items if d['name'] == 'roleDesc'][0]['prependString']}))
)"),
                                   {path});
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(py.out.toUtf8()).object();
    EXPECT_EQ(quint64(o[QStringLiteral("count")].toInteger()), list->count());
    EXPECT_EQ(o[QStringLiteral("note")].toInteger(), 6);
    EXPECT_EQ(o[QStringLiteral("roleDesc")].toString(), QStringLiteral(" "));

    // Binary form too: any property-list format reads.
    const TSElementArrayPtr back = TSElementArray::importFromPListData(ts::PropertyList::writeBinary(list->serialize()));
    ASSERT_EQ(back->count(), list->count());
    for (quint64 i = 0; i < list->count(); ++i)
        EXPECT_EQ(back->objectAtIndex(i)->serialize(), list->objectAtIndex(i)->serialize());
}

TEST_F(ImportElement, MembersOfOtherClassesAreSkippedAndLogged) {
    CaptureLogger::Scope log;
    ts::ValueArray a{
        ts::Value(ts::ValueDictionary{{QStringLiteral("ClassName"), ts::Value("TSText")}, {QStringLiteral("name"), ts::Value("x")}}),
        ts::Value("not a dictionary"),
        ts::Value(ts::ValueDictionary{{QStringLiteral("ClassName"), ts::Value("TSImportElement")}, {QStringLiteral("name"), ts::Value("l")}, {QStringLiteral("store"), ts::Value(3)}}),
    };
    const TSElementArrayPtr list = TSElementArray::dataFromArray(ts::Value(a));
    ASSERT_EQ(list->count(), 1u);
    EXPECT_EQ(list->elementNamed(QStringLiteral("l"))->store(), 3);
    EXPECT_TRUE(log->contains(QStringLiteral("member of class TSText skipped")));
    EXPECT_TRUE(TSElementArray::importFromPListData("garbage")->count() == 0);
}

TEST_F(ImportElement, CopiesAreSnapshots) {
    TSElementArrayPtr list = presetFor(QStringLiteral("eclogues-lat"));
    const auto copy = std::static_pointer_cast<TSElementArray>(list->copy());
    list->elementNamed(QStringLiteral("l"))->setStore(0);
    EXPECT_EQ(copy->elementNamed(QStringLiteral("l"))->store(), 3);
    EXPECT_EQ(copy->count(), list->count());
}

// ---------------------------------------------------------------------------
// The settings folder and the bundled zip

class ElementsFolder : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir_.path().toLocal8Bit());
    }
    void TearDown() override {
        if (old_.isNull()) qunsetenv("XDG_DATA_HOME"); else qputenv("XDG_DATA_HOME", old_);
    }
    QTemporaryDir dir_;
    QByteArray old_;
};

TEST_F(ElementsFolder, SeededOnceFromTheBundledZip) {
    const QString folder = TSElementArray::elementsFolder();
    ASSERT_FALSE(folder.isNull());
    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(files, (QStringList{"amphitruo-eng.plist", "amphitruo-lat.plist", "eclogues-eng.plist",
                                  "eclogues-lat.plist", "ls-subset.plist"}));
    // The zip holds exactly the presets kept in the source tree.
    for (const QString& f : files)
        EXPECT_EQ(readAll(QDir(folder).filePath(f)), readAll(presetPath(QFileInfo(f).completeBaseName()))) << f.toStdString();

    for (const QString& f : files) QFile::remove(QDir(folder).filePath(f));
    EXPECT_EQ(TSElementArray::elementsFolder(), folder);
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());

    TSElementArray list;
    list.setName(QStringLiteral("eclogues-lat"));
    EXPECT_EQ(list.elementArrayURL(), QDir(folder).filePath(QStringLiteral("eclogues-lat.plist")));
}

TEST_F(ElementsFolder, ZipEntriesOutsideTheFolderAreRefused) {
    const QString zip = dir_.filePath(QStringLiteral("hostile.zip"));
    const PythonRun py = runPython(QStringLiteral(R"(
import zipfile, sys
z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)
for name in ['../escape.plist', '/abs.plist', 'sub/inner.plist', '.hidden.plist', 'C:evil.plist', 'dir\\win.plist']:
    z.writestr(name, 'x')
link = zipfile.ZipInfo('link.plist'); link.create_system = 3; link.external_attr = (0o120777 << 16)
z.writestr(link, '/etc/passwd')
z.writestr('big.plist', b'\0' * (5 * 1024 * 1024))
z.writestr('good.plist', '<plist/>')
z.close()
)"),
                                   {zip});
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    const QString target = dir_.filePath(QStringLiteral("target"));
    ASSERT_TRUE(QDir().mkpath(target));
    CaptureLogger::Scope log;
    EXPECT_EQ(TSElementArray::seedFolderFromZip(zip, target), 1) << log->messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(QDir(target).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("good.plist")});
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("escape.plist"))));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/abs.plist")));
    EXPECT_TRUE(log->contains(QStringLiteral("refused entry \"../escape.plist\"")));
    EXPECT_TRUE(log->contains(QStringLiteral("too large")));

    // Not a zip at all.
    QFile bad(dir_.filePath(QStringLiteral("bad.zip")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("PK\3\4 not really");
    bad.close();
    EXPECT_EQ(TSElementArray::seedFolderFromZip(bad.fileName(), target), 0);
}

}  // namespace
