// Fuzzes the MDict import end to end, with arbitrary bytes as an .mdx file:
// the reader, the conversion into entry trees, the save into "User
// Dictionaries" and the registry's reading of the saved dictionary. A
// refusal always names its cause and leaves no records; every converted
// entry tree is reached once from its own parent; the registry lists the
// saved file and reads back the same entries.

#include "dictionaries/DictionaryServices.h"
#include "dictionaries/MDictReader.h"
#include "dictionaries/TSDictionaries.h"
#include "dictionaries/TSMDictImporter.h"

#include "FuzzSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdint>

namespace {

void checkTree(const DictionaryEntryPtr& node, int depth) {
    fuzz::check(node && depth <= 4096, "entry trees are bounded");
    for (const auto& c : node->childList()) {
        fuzz::check(c->parent() == node, "every child knows its parent");
        checkTree(c, depth + 1);
    }
}

// A private "User Dictionaries" folder for the whole run.
const QString& userFolder() {
    static QTemporaryDir* home = [] {
        auto* dir = new QTemporaryDir;
        DictionaryServices services;
        const QString folder = dir->filePath(QStringLiteral("User Dictionaries"));
        services.userDictionariesFolder = [folder] {
            QDir().mkpath(folder);
            return folder;
        };
        DictionaryServices::install(services);
        return dir;
    }();
    static const QString folder = home->filePath(QStringLiteral("User Dictionaries"));
    return folder;
}

void saveAndReadBack(const TSMDictImporterPtr& importer) {
    QString path, error;
    fuzz::check(importer->saveToUserDictionaries(&path, &error), "a converted dictionary saves");
    fuzz::check(QFileInfo(path).fileName().toUtf8().size() <= TSMDictImporter::kMaxFileNameBytes,
                "the file name fits the file system");
    fuzz::check(QFileInfo(path).absolutePath() == QDir(userFolder()).absolutePath(), "the file stays in its folder");
    auto registry = TSDictionaries::dictionaries();
    const QString name = QFileInfo(path).completeBaseName();
    const qsizetype index = registry->sortedNames().indexOf(name);
    fuzz::check(index >= 0, "the registry lists the saved dictionary");
    const TSDictionaryPtr saved = registry->dictionaryAtIndex(3 + index);
    fuzz::check(saved && saved->waitForLoad(std::chrono::seconds(30)), "the saved dictionary loads");
    fuzz::check(saved->loadState() == TSDictionary::LoadState::Loaded, "the saved dictionary reads");
    const auto original = importer->words();
    const auto reloaded = saved->words();
    fuzz::check(reloaded && reloaded->size() == original->size(), "every entry comes back");
    for (size_t i = 0; i < original->size(); ++i)
        fuzz::checkEqual((*reloaded)[i]->serialize(), (*original)[i]->serialize(), "each entry comes back the same");
    QFile::remove(path);
    registry->resetDictionaries();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    userFolder();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        const auto r = mdict::readData(bytes);
        fuzz::check(r.ok || (!r.error.isEmpty() && r.records.isEmpty()), "a refusal has a cause and no records");
        fuzz::check(!r.ok || r.records.size() <= mdict::kMaxRecordBytes, "records stay within the cap");
        fuzz::check(!r.ok || r.keyStarts.size() == r.recordStarts.size() + 1, "each record has its keywords");
        fuzz::check(r.keySpans.size() == size_t(r.keyStarts.empty() ? 0 : r.keyStarts.back()), "every keyword is placed");
    }
    auto importer = std::make_shared<TSMDictImporter>();
    importer->parseMDXData(bytes, QStringLiteral("fuzz"));
    if (!importer->readError().isEmpty() || importer->records().size() >= 65536) return 0;
    importer->recordsTags();
    importer->parseRawString();
    for (const auto& entry : *importer->words()) {
        fuzz::check(!entry->parent(), "top-level entries have no parent");
        checkTree(entry, 0);
    }
    saveAndReadBack(importer);
    return 0;
}
