#include "app/gui/RegistryWiring.h"

#include "app/core/DictionaryServicesSetup.h"
#include "app/gui/AppController.h"
#include "app/gui/ClipboardWriter.h"
#include "dictionaries/TSDictionaries.h"
#include "dictsource/DictionarySourceBuilders.h"
#include "dictsource/gui/DeveloperPromptDialog.h"
#include "dictsource/gui/XMLCheckWindowController.h"
#include "import/gui/PerseusImporter.h"
#include "tools/gui/DictionaryWindowController.h"
#include "tools/gui/TSConstructionSearch.h"
#include "tools/gui/TSGrammarWindowController.h"
#include "tools/gui/TSAnagramWindowController.h"
#include "tools/gui/TSWordFormWindowController.h"
#include "tools/gui/TSWordSearchController.h"

void installDictionaryRegistry() {
    installDictionaryServices();
    installDictionarySourceBuilders();
    // The conversion's questions to the developer as modal dialogs; the
    // texts it hands over go to the clipboard too.
    installDeveloperDialogs([](const QString& text) { return ClipboardWriter::write(ts::Value(text)); });
    AppController::setToolWindowFactory(QStringLiteral("xmlCheckWindow"), [] { return new XMLCheckWindowController; });
    AppController::setToolWindowFactory(QStringLiteral("perseusImporterWindow"), [] { return new PerseusImporter; });
    AppController::setToolWindowFactory(QStringLiteral("wordSearchWindow"), [] { return new TSWordSearchController; });
    AppController::setToolWindowFactory(QStringLiteral("wordFormController"), [] { return new TSWordFormWindowController; });
    AppController::setToolWindowFactory(QStringLiteral("grammarWindow"), [] { return new TSGrammarWindowController; });
    AppController::setToolWindowFactory(QStringLiteral("constructionSearchWindow"), [] { return new TSConstructionSearch; });
    AppController::setToolWindowFactory(QStringLiteral("anagramWindow"), [] { return new TSAnagramWindowController; });
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
    hooks.showDictionaryWindow = [] { DictionaryWindowController::showDictionaryWindow(); };
}
