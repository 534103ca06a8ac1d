#pragma once
// Small prepared dictionaries for tests: a generator of entries of every word
// class and child kind the dictionaries use, written as dictionary files and
// zipped (by python3's zipfile, a writer that is not ours) into a temporary
// resources folder, with the dictionary services pointing at a temporary
// support folder.

#include "dictionaries/DictionaryEntry.h"
#include "dictionaries/DictionaryServices.h"
#include "dictionaries/TSDictionary.h"
#include "platform/PropertyList.h"
#include "support/Python.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>

namespace fixtures {

struct Sample {
    const char* headword;
    int type;
    const char* key;  // empty: no key
    int conjugation;
    int gender;
    int trans;
    const char* meaning;
};

// Headwords are written as the source writes them, breves and macrons
// included; keys number the homographs.
inline const std::vector<Sample>& samples() {
    static const std::vector<Sample> list = {
        {"ămo āvi ātum āre", DictionaryEntry::Verb, "amo", 1, 0, 1, "to love, cherish"},
        {"dīco dixi dictum dicere", DictionaryEntry::Verb, "dico", 3, 0, 3, "to say; tell"},
        {"dĭco āvi ātum āre", DictionaryEntry::Verb, "dico1", 1, 0, 1, "to dedicate, consecrate"},
        {"dĭco āre", DictionaryEntry::Verb, "dico2", 1, 0, 2, "to proclaim"},
        {"dico unreachable", DictionaryEntry::Verb, "dico4", 1, 0, 0, "never found by form"},
        {"dūco duxi ductum ducere", DictionaryEntry::Verb, "duco1", 3, 0, 1, "to lead"},
        {"dūco āre", DictionaryEntry::Verb, "duco2", 1, 0, 0, "to reckon"},
        {"Rōma ae", DictionaryEntry::Noun, "Roma", 1, 2, 0, "Rome, the city"},
        {"dŏmĭnus i", DictionaryEntry::Noun, "dominus", 2, 1, 0, "a master; lord"},
        {"res publica", DictionaryEntry::Noun, "res publica", 5, 2, 0, "the commonwealth"},
        {"ab -", DictionaryEntry::Preposition, "ab", 0, 0, 0, "from, away from"},
        {"bŏnus a um", DictionaryEntry::Adjective, "bonus", 1, 0, 0, "good"},
        {"ămātus a um", DictionaryEntry::Adjective, "amatus", 1, 0, 0, "loved, dear"},
        {"bĕnĕ", DictionaryEntry::Adverb, "bene", 0, 0, 0, "well"},
        {"et", DictionaryEntry::Conjunction, "et", 0, 0, 0, "and"},
        {"ĕgo", DictionaryEntry::Pronoun, "ego", 0, 0, 0, "I"},
        {"eheu", DictionaryEntry::Interjection, "eheu", 0, 0, 0, "alas"},
        {"dŭo ae o", DictionaryEntry::Numeral, "duo", 0, 0, 0, "two"},
        {"sine clave", DictionaryEntry::Adverb, "", 0, 0, 0, "without a key"},
        {"Amor oris", DictionaryEntry::Noun, "Amor", 3, 1, 0, "Love, the god"},
    };
    return list;
}

// One headword with its word data, a sense with an example, an etymology
// and a note.
inline DictionaryEntryPtr makeEntry(const Sample& s) {
    auto head = DictionaryEntry::make(QString::fromUtf8(s.headword), s.type);
    if (*s.key) head->setKey(QString::fromUtf8(s.key));
    if (s.conjugation) head->setConjugation(s.conjugation);
    if (s.gender) head->setGender(s.gender);
    if (s.trans) head->setTransIntrans(s.trans);
    head->addChild(DictionaryEntry::make(QStringLiteral("from an older form"), DictionaryEntry::WordData));
    auto sense = DictionaryEntry::make(QString::fromUtf8(s.meaning));
    sense->makeMeaning(QStringLiteral("I"), 1, 1.0);
    auto example = DictionaryEntry::make(QStringLiteral("exemplum"), DictionaryEntry::Example);
    example->setTranslation(QStringLiteral("an example"));
    sense->addChild(example);
    head->addChild(sense);
    head->addChild(DictionaryEntry::make(QStringLiteral("cf. Gr."), DictionaryEntry::Etymology));
    head->addChild(DictionaryEntry::make(QStringLiteral("see the grammar"), DictionaryEntry::Note));
    return head;
}

inline DictionaryEntryList makeEntries() {
    DictionaryEntryList list;
    for (const Sample& s : samples()) list.push_back(makeEntry(s));
    return list;
}

inline QByteArray dictionaryFile(const DictionaryEntryList& entries, const QString& title) {
    ts::ValueArray words;
    for (const auto& e : entries) words.push_back(e->serialize());
    ts::ValueDictionary file;
    file[QStringLiteral("title")] = title;
    file[QStringLiteral("author")] = QStringLiteral("C. T. Lewis");
    file[QStringLiteral("words")] = ts::Value(std::move(words));
    return ts::PropertyList::writeBinary(ts::Value(std::move(file)));
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool pythonAvailable() { return runPython(QStringLiteral("import plistlib, zipfile")).exitCode == 0; }

// Zips one file under its own name with python's zipfile.
inline bool zipFile(const QString& file, const QString& archive) {
    return runPython(QStringLiteral("import zipfile,sys,os\n"
                                    "with zipfile.ZipFile(sys.argv[2],'w',zipfile.ZIP_DEFLATED) as z:\n"
                                    "    z.write(sys.argv[1], os.path.basename(sys.argv[1]))"),
                     {file, archive})
               .exitCode == 0;
}

// A support folder ("Dictionaries" with "User Dictionaries") and a resources
// folder, installed as the dictionaries' services for the test's life.
class PreparedFolders : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        QDir().mkpath(userDictionaries());
        QDir().mkpath(resources());
        DictionaryServices services;
        const QString dicts = dictionaries(), user = userDictionaries(), res = resources();
        services.dictionariesFolder = [dicts] { return dicts; };
        services.userDictionariesFolder = [user] { return user; };
        services.resourcePath = [res](const QString& name, const QString& type) {
            const QString path = res + QLatin1Char('/') + name + QLatin1Char('.') + type;
            return QFileInfo(path).isFile() ? path : QString();
        };
        std::atomic<qint32>* selection = selection_;
        services.dictionarySelection = [selection](bool englishToLatin) {
            return englishToLatin ? selection[0].load() : selection[1].load();
        };
        services.localizedString = [](const QString& key) { return QStringLiteral("text of ") + key; };
        DictionaryServices::install(std::move(services));
    }
    void TearDown() override { DictionaryServices::install({}); }

    QString dictionaries() const { return root_.filePath(QStringLiteral("support/Dictionaries")); }
    QString userDictionaries() const { return dictionaries() + QStringLiteral("/User Dictionaries"); }
    QString resources() const { return root_.filePath(QStringLiteral("resources")); }
    QString scratch(const QString& name) const { return root_.filePath(name); }

    // Puts "<fileName>.zip" holding the dictionary among the resources.
    bool addResource(const QString& fileName, const DictionaryEntryList& entries) {
        const QString plain = scratch(QStringLiteral("plain/") + fileName);
        return writeFile(plain, dictionaryFile(entries, fileName)) &&
               zipFile(plain, resources() + QLatin1Char('/') + fileName + QStringLiteral(".zip"));
    }

    // [0] English to Latin, [1] Latin to English.
    std::atomic<qint32> selection_[2] = {0, 0};
    QTemporaryDir root_;
};

}  // namespace fixtures
