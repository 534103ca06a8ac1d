#include "DictionaryServicesSetup.h"

#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "dictionaries/DictionaryServices.h"
#include "dictionaries/LewisAndShort.h"
#include "dictionaries/PreparedFormList.h"
#include "morphology/TSWordFormDictionary.h"

#include <QFileInfo>

void installDictionaryServices() {
    DictionaryServices services;
    services.dictionariesFolder = [] { return Preferences::dictionariesFolder(); };
    services.userDictionariesFolder = [] { return Preferences::userDictionariesFolder(); };
    services.resourcePath = [](const QString& name, const QString& type) {
        return TSBundle::pathForResource(name, type);
    };
    services.resourcesFolder = [] { return TSBundle::resourcesDirectory(); };
#ifdef TS_BUILT_RESOURCES_DIR
    services.builtResourcesFolder = [] { return QStringLiteral(TS_BUILT_RESOURCES_DIR); };
#endif
    services.dictionarySelection = [](bool englishToLatin) {
        const PreferencesPtr prefs = Preferences::preferences();
        return englishToLatin ? prefs->englishToLatinDictionarySelection() : prefs->latinToEnglishDictionarySelection();
    };
    services.localizedString = [](const QString& key) { return TSBundle::localizedString(key); };
    DictionaryServices::install(std::move(services));
    // Macron marking reads the forms of the prepared Lewis and Short, made
    // into a form list beside it whenever that dictionary has changed.
    TSWordFormDictionary::setSourcePreparer([] {
        const QString dictionary = LewisAndShort::editedLewisShortURL().toLocalFile();
        if (dictionary.isEmpty()) return QString();
        return PreparedFormList::bringUpToDate(dictionary,
                                               QFileInfo(dictionary).absolutePath() + QStringLiteral("/macrons.txt"));
    });
}
