// The dictionaries read the application's folders, resources, selections and
// strings through the services installed at start-up.

#include "SettingsTestSupport.h"

#include "app/core/DictionaryServicesSetup.h"
#include "dictionaries/DictionaryServices.h"

class DictionaryServicesSetupTest : public TemporaryHome {
protected:
    void TearDown() override {
        DictionaryServices::install({});
        TemporaryHome::TearDown();
    }
};

TEST_F(DictionaryServicesSetupTest, ServicesAnswerFromTheSettingsAndTheBundle) {
    QTemporaryDir resources;
    qputenv("TS_RESOURCES_DIR", resources.path().toUtf8());
    ASSERT_TRUE(writeFile(resources.path() + "/EditedElementaryLewis.xml.zip", "PK"));
    ASSERT_TRUE(writeFile(resources.path() + "/en.lproj/Localizable.strings",
                          "\"PERSEUS_ATTRIBUTION\" = \"Text from Perseus\";\n"));
    installDictionaryServices();

    EXPECT_EQ(DictionaryServices::dictionaries(), supportPath("Dictionaries"));
    EXPECT_EQ(DictionaryServices::userDictionaries(), supportPath("Dictionaries/User Dictionaries"));
    EXPECT_TRUE(QFileInfo(supportPath("Dictionaries/User Dictionaries")).isDir());
    EXPECT_EQ(DictionaryServices::resource("EditedElementaryLewis.xml", "zip"),
              resources.path() + "/EditedElementaryLewis.xml.zip");
    EXPECT_TRUE(DictionaryServices::resource("EditedLewisShort.xml", "zip").isEmpty());
    EXPECT_EQ(DictionaryServices::localized("PERSEUS_ATTRIBUTION"), "Text from Perseus");
    EXPECT_EQ(DictionaryServices::localized("LS_ATTRIBUTION"), "LS_ATTRIBUTION");

    Preferences::preferences()->setEnglishToLatinDictionarySelection(4);
    Preferences::preferences()->setLatinToEnglishDictionarySelection(2);
    EXPECT_EQ(DictionaryServices::selection(true), 4);
    EXPECT_EQ(DictionaryServices::selection(false), 2);
}

TEST(DictionaryServicesDefaults, NothingInstalledAnswersMissingAndTheAnalyser) {
    DictionaryServices::install({});
    EXPECT_TRUE(DictionaryServices::dictionaries().isEmpty());
    EXPECT_TRUE(DictionaryServices::resource("EditedLewisShort.xml", "zip").isEmpty());
    EXPECT_EQ(DictionaryServices::selection(true), 0);
    EXPECT_EQ(DictionaryServices::localized("LS_ATTRIBUTION"), "LS_ATTRIBUTION");
}
