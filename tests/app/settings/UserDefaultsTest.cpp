#include "SettingsTestSupport.h"

#include "platform/PropertyList.h"

using ts::UserDefaults;

using UserDefaultsTest = TemporaryHome;

TEST_F(UserDefaultsTest, ValuesKeepTheirKindsAcrossAReopen) {
    const QString file = path("defaults/test.plist");
    const ts::Value nested(ts::ValueDictionary{{"list", ts::ValueArray{1, 2.5, "three"}}, {"flag", false}});
    {
        UserDefaults d(file);
        d.setBool(true, "spellchecker refused");
        d.setInteger(-42, "count");
        d.setDouble(0.45, "position");
        d.setObject(ts::Value(QByteArray("\x00\x01\xFF", 3)), "Preferences");
        d.setObject(ts::Value("text"), "name/with/slashes");
        d.setObject(nested, "nested");
        d.setObject(ts::Value(ts::Date{1000.0}), "when");
        EXPECT_TRUE(d.synchronize()) << d.lastError().toStdString();
    }
    UserDefaults d(file);
    EXPECT_TRUE(d.objectForKey("spellchecker refused").isBool() && d.boolForKey("spellchecker refused"));
    EXPECT_EQ(d.objectForKey("count"), ts::Value(-42));
    EXPECT_DOUBLE_EQ(d.doubleForKey("position"), 0.45);
    EXPECT_EQ(d.dataForKey("Preferences"), QByteArray("\x00\x01\xFF", 3));
    EXPECT_EQ(d.stringForKey("name/with/slashes"), "text");
    EXPECT_EQ(d.objectForKey("nested"), nested);
    EXPECT_EQ(d.objectForKey("when"), ts::Value(ts::Date{1000.0}));
    EXPECT_TRUE(d.objectForKey("missing").isNull());
    EXPECT_TRUE(d.dataForKey("count").isEmpty());

    d.setObject(ts::Value(), "count");
    EXPECT_TRUE(d.objectForKey("count").isNull());
}

TEST_F(UserDefaultsTest, TheFileIsAPropertyListOthersCanRead) {
    const QString file = path("defaults/other.plist");
    {
        UserDefaults d(file);
        d.setObject(ts::Value(QByteArray("abc")), "Preferences");
        d.setBool(true, "NSQuitAlwaysKeepsWindows");
        ASSERT_TRUE(d.synchronize());
    }
    const ts::PlistResult r = ts::PropertyList::read(readFile(file));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.format, ts::PlistFormat::XML);
    EXPECT_EQ(r.value["Preferences"], ts::Value(QByteArray("abc")));

    const PythonRun py = runPython(
        "import plistlib,sys\nd=plistlib.load(open(sys.argv[1],'rb'))\n"
        "print(repr(d['Preferences']), d['NSQuitAlwaysKeepsWindows'])",
        {file});
    if (!py.started) GTEST_SKIP() << "python3 is not available";
    EXPECT_EQ(py.out.trimmed(), "b'abc' True") << py.err.toStdString();
}

TEST_F(UserDefaultsTest, RefusesObjectsAndSurvivesACorruptFile) {
    const QString file = path("defaults/corrupt.plist");
    ASSERT_TRUE(writeFile(file, "<plist><dict><key>a</key>"));
    UserDefaults d(file);
    EXPECT_TRUE(d.objectForKey("a").isNull());
    EXPECT_TRUE(d.dictionaryRepresentation().empty());
    EXPECT_FALSE(d.setObject(ts::Value(ts::Uid{3}), "uid"));
    EXPECT_FALSE(d.lastError().isEmpty());
    EXPECT_FALSE(d.setObject(ts::Value(1), QString()));
}

TEST_F(UserDefaultsTest, StandardStoreFollowsTheConfigFolder) {
    EXPECT_EQ(UserDefaults::standardFilePath(), path("config/Tessarin/org.tessarin.Tessarin.plist"));
    UserDefaults::standardUserDefaults()->setInteger(7, "answer");
    UserDefaults::resetStandardUserDefaults();  // writes, then forgets
    EXPECT_TRUE(QFile::exists(path("config/Tessarin/org.tessarin.Tessarin.plist")));
    EXPECT_EQ(UserDefaults::standardUserDefaults()->integerForKey("answer"), 7);
}
