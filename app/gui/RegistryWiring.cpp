#include "app/gui/RegistryWiring.h"

#include "app/core/DictionaryServicesSetup.h"
#include "app/gui/AppController.h"
#include "dictionaries/TSDictionaries.h"
#include "dictsource/DictionarySourceBuilders.h"

void installDictionaryRegistry() {
    installDictionaryServices();
    installDictionarySourceBuilders();
    AppController::RegistryHooks& hooks = AppController::registryHooks();
    hooks.saveDictionaries = [] { TSDictionaries::saveDictionaries(); };
    hooks.changedWords = [] {
        std::map<QString, QByteArray> changes;
        for (const auto& [name, value] : TSDictionaries::changedWords())
            if (value.isData()) changes.emplace(name, value.toData());
        return changes;
    };
    hooks.removeChangeFlags = [] { TSDictionaries::removeChangeFlags(); };
    hooks.buildLewisAndShort = [] { parsePerseusSource(); };
}
