// The dictionaries read the application's folders, resources, selections and
// strings through the services installed at start-up.

#include "SettingsTestSupport.h"

#include "app/core/DictionaryServicesSetup.h"
#include "dictionaries/DictionaryEntry.h"
#include "dictionaries/DictionaryServices.h"
#include "morphology/TSWordFormDictionary.h"
#include "platform/PropertyList.h"

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

// Macron marking reads the forms of the prepared dictionary in the user's
// Dictionaries folder, made into a list beside it on first use.
TEST_F(DictionaryServicesSetupTest, MarkingReadsTheFormsOfThePreparedDictionary) {
    installDictionaryServices();
    auto entry = std::make_shared<DictionaryEntry>();
    entry->setEntry(QStringLiteral("b\u0101ca -ae"));
    entry->setKey(QStringLiteral("ba_ca"));
    entry->setType(DictionaryEntry::Noun);
    entry->setConjugation(1);
    entry->setGender(2);
    ts::ValueDictionary file;
    file[QStringLiteral("words")] = ts::Value(ts::ValueArray{entry->serialize()});
    ASSERT_TRUE(writeFile(supportPath("Dictionaries/EditedLewisShort.xml"), ts::PropertyList::writeXML(ts::Value(file))));

    TSWordFormDictionary::resetSharedState();
    ASSERT_TRUE(TSWordFormDictionary::waitForInitialisation());
    EXPECT_TRUE(QFileInfo(supportPath("Dictionaries/macrons.txt")).isFile());
    const auto records = TSWordFormDictionary::wordForms(QStringLiteral("bacam"));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]->form(), QStringLiteral("b\u0101cam"));
    EXPECT_TRUE(QFileInfo(supportPath("Macrons.dat")).isFile());
    TSWordFormDictionary::setSourcePreparer(nullptr);
    TSWordFormDictionary::resetSharedState();
}

TEST(DictionaryServicesDefaults, NothingInstalledAnswersMissingAndTheAnalyser) {
    DictionaryServices::install({});
    EXPECT_TRUE(DictionaryServices::dictionaries().isEmpty());
    EXPECT_TRUE(DictionaryServices::resource("EditedLewisShort.xml", "zip").isEmpty());
    EXPECT_EQ(DictionaryServices::selection(true), 0);
    EXPECT_EQ(DictionaryServices::localized("LS_ATTRIBUTION"), "LS_ATTRIBUTION");
}
