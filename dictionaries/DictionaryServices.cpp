#include "DictionaryServices.h"

#include <mutex>

namespace {

std::mutex& servicesMutex() {
    static std::mutex mutex;
    return mutex;
}

DictionaryServices& installed() {
    static DictionaryServices services;
    return services;
}

}  // namespace

void DictionaryServices::install(DictionaryServices services) {
    std::lock_guard<std::mutex> lock(servicesMutex());
    installed() = std::move(services);
}

DictionaryServices DictionaryServices::current() {
    std::lock_guard<std::mutex> lock(servicesMutex());
    return installed();
}

QString DictionaryServices::dictionaries() {
    const DictionaryServices s = current();
    return s.dictionariesFolder ? s.dictionariesFolder() : QString();
}

QString DictionaryServices::userDictionaries() {
    const DictionaryServices s = current();
    return s.userDictionariesFolder ? s.userDictionariesFolder() : QString();
}

QString DictionaryServices::resource(const QString& name, const QString& type) {
    const DictionaryServices s = current();
    return s.resourcePath ? s.resourcePath(name, type) : QString();
}

QString DictionaryServices::resourcesDirectory() {
    const DictionaryServices s = current();
    return s.resourcesFolder ? s.resourcesFolder() : QString();
}

QString DictionaryServices::builtResourcesDirectory() {
    const DictionaryServices s = current();
    return s.builtResourcesFolder ? s.builtResourcesFolder() : QString();
}

qint32 DictionaryServices::selection(bool englishToLatin) {
    const DictionaryServices s = current();
    return s.dictionarySelection ? s.dictionarySelection(englishToLatin) : 0;
}

QString DictionaryServices::localized(const QString& key) {
    const DictionaryServices s = current();
    return s.localizedString ? s.localizedString(key) : key;
}
