#pragma once
// What the file dictionaries and the registry read of the application: the
// dictionaries folders, the bundle's resources, the dictionary chosen for
// each look-up direction and the strings table.
//
// This library sits below the application's settings object, so the
// application hands these in (installDictionaryServices in app/core does it
// from Preferences and TSBundle). Until then every folder and resource
// answers an empty path, which the dictionaries treat as "missing", the
// selections answer 0 (the analyser) and a string answers its key.
//
// Threads: set once at start-up; read from any thread (the copy handed out
// stays valid whatever happens to the installed one).

#include <QString>

#include <functional>

struct DictionaryServices {
    // The support folder's "Dictionaries" folder, created when missing.
    std::function<QString()> dictionariesFolder;
    // "User Dictionaries" inside it, created when missing.
    std::function<QString()> userDictionariesFolder;
    // The path of the bundle resource "<name>.<type>", empty when absent.
    std::function<QString(const QString& name, const QString& type)> resourcePath;
    // The bundle's resources folder (where the MDict files ship), empty when none.
    std::function<QString()> resourcesFolder;
    // The resources the build writes (the sample MDict file), empty when none.
    std::function<QString()> builtResourcesFolder;
    // The type code chosen in the settings for a look-up direction.
    std::function<qint32(bool englishToLatin)> dictionarySelection;
    // The text of a key in the main strings table (the key when missing).
    std::function<QString(const QString& key)> localizedString;

    static void install(DictionaryServices services);
    static DictionaryServices current();

    // The current services' answers, with the fall-backs above.
    static QString dictionaries();
    static QString userDictionaries();
    static QString resource(const QString& name, const QString& type);
    static QString resourcesDirectory();
    static QString builtResourcesDirectory();
    static qint32 selection(bool englishToLatin);
    static QString localized(const QString& key);
};
