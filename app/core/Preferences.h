#pragma once
// The application's settings: one shared object, stored whole as a keyed
// archive under the user default "Preferences".
//
// It holds the two link styles (footnote and vocabulary links), the
// analyser's look-up options, the dictionary chosen in each direction, a few
// switches, the pane layout of the two-pane document and the word list of
// the word-pattern finder. The grammar reference hangs off it but lives in
// "Grammar.plist" in a folder per locale inside the support folder. It also
// names the support folders, keeps the print layout (user default
// "PrintLayout"), the three data tables of the word-pattern finder, the
// reverse localisation table and the file logger.
//
// Folders: the support folder is $XDG_DATA_HOME (or ~/.local/share) plus the
// bundle's executable name; the folder operations create their folder on
// every call and answer its path, or log and answer a null string.
//
// Threads: preferences() answers a snapshot that stays valid however often
// setPreferences() replaces the shared object, so background queues may keep
// and read it. Each object guards its own fields, so the getters that make a
// default on first use are safe to call from several threads. The class-level
// tables are built once under a lock.
//
// The file panels go through ts::Prompter, which the window layer supplies.
// The page-setup object of the windows is not made here: the print layout is
// kept as the dictionary it is archived as (getPrintInfo / setPrintInfo), and
// the windows turn it into their page setup.

#include "app/core/TSFootnotePrefs.h"
#include "dictionaries/TSDictionaryPrefs.h"
#include "morphology/TSGrammarCollection.h"
#include "platform/AttributedString.h"
#include "platform/Object.h"
#include "platform/Url.h"
#include "platform/Value.h"

#include <array>
#include <memory>
#include <mutex>
#include <optional>

class LGFileLogger;
using LGFileLoggerPtr = std::shared_ptr<LGFileLogger>;

class Preferences;
using PreferencesPtr = std::shared_ptr<Preferences>;

class Preferences : public ts::Object {
    TS_OBJECT(Preferences, ts::Object)

public:
    using Positions = std::array<double, 3>;

    // Link kinds of addLinkAttributes.
    enum LinkType : qint32 { FootnoteLink = 1, VocabularyLink = 2 };

    Preferences() = default;

    // --- the shared object -------------------------------------------------
    // Made with every field empty on first use.
    static PreferencesPtr preferences();
    // Replaces the shared object; holders of the old one keep it.
    static void setPreferences(PreferencesPtr preferences);
    // Reads the "Preferences" default at launch. No value: the defaults are
    // saved at once. A value that cannot be read as settings (corrupt data,
    // another class) is logged and the defaults are used; the stored value is
    // left for the next save to replace.
    static void loadPreferences();
    // Archives the shared object under "Preferences", synchronises the user
    // defaults and writes the grammar file.
    static void savePreferences();

    static LGFileLoggerPtr fileLogger();
    static void setFileLogger(LGFileLoggerPtr logger);

    static bool coreSpotlightPresent() { return true; }
    // Whether the analyser output shows case information.
    static bool showCases();

    // --- folders and files -------------------------------------------------
    static QString supportDirectory();
    static QString proximityPatternFolder();
    static QString dictionariesFolder();
    static QString userDictionariesFolder();
    static QString cappelliFolder();
    // <support>/<locale identifier>/Grammar.plist, made from the bundle's copy
    // when missing. The path is answered even when the copy failed (logged).
    static QString grammarFile();
    // The user-defaults file that fixDefaultsIfNeeded makes sure exists.
    static QString userDefaultsFile();

    // --- localisation --------------------------------------------------------
    // Localised text → key, from the bundle's "Localizable" table (a later
    // entry with the same text wins); built on first use and kept.
    static ts::ValueDictionary reverseLocalizationList();
    // The key of a localised text, or the text itself when it is none; a null
    // string is logged and answers a null string.
    static QString reverseLocalize(const QString& text);

    // --- link attributes -----------------------------------------------------
    // Sets the colour, underline and (with current attributes and traits)
    // font of a link of the given kind in `attributes`. Another kind is
    // logged and leaves the attributes unchanged.
    static void addLinkAttributes(ts::Attributes& attributes, qint32 linkType,
                                  const ts::Attributes* currentAttributes = nullptr);

    // --- print layout --------------------------------------------------------
    // The shared print layout as a dictionary. On the first call of a run the
    // stored "PrintLayout" is read (once; a value that gives no dictionary is
    // logged and the shared layout kept).
    static ts::ValueDictionary getPrintInfo();
    // Makes the layout the shared one and stores it, keyed-archived, under
    // "PrintLayout" (without synchronising). A null value is logged and
    // ignored.
    static void setPrintInfo(const ts::Value& printInfo);

    // --- file panels of the word-pattern finder (through ts::Prompter) ---------
    // One file or folder to import; a null string when the user cancels.
    static QString chooseImportFile();
    // A save panel titled "Export" proposing "<name>.<type>" and allowing
    // "plist" files (whatever the type); a null string when cancelled.
    static QString specifyExportFile(const QString& name, const QString& type);

    // Forgets the shared object, the tables, the print layout and its
    // read-once flag, as at the start of a run.
    static void resetSharedState();

    // --- fields ----------------------------------------------------------------
    bool reviseMarkedOnly() const;
    void setReviseMarkedOnly(bool value);
    bool automarkWords() const;
    void setAutomarkWords(bool value);
    bool numberBySubsection() const;
    void setNumberBySubsection(bool value);
    bool logCommunications() const;
    void setLogCommunications(bool value);
    bool floatDictionaryWindow() const;
    void setFloatDictionaryWindow(bool value);
    qint32 englishToLatinDictionarySelection() const;
    void setEnglishToLatinDictionarySelection(qint32 value);
    qint32 latinToEnglishDictionarySelection() const;
    void setLatinToEnglishDictionarySelection(qint32 value);

    // 0.0, 0.45, 0.55 until set.
    Positions textFieldPositions() const;
    void setTextFieldPositions(std::optional<Positions> positions);

    // The bundle's data tables, read on first use; an empty dictionary when
    // the file is missing or does not parse (the next call tries again).
    ts::ValueDictionary quickMatchDictionary() const;
    void setQuickMatchDictionary(std::optional<ts::ValueDictionary> table);
    ts::ValueDictionary keyDictionary() const;
    void setKeyDictionary(std::optional<ts::ValueDictionary> table);
    ts::ValueDictionary substitutionsDictionary() const;
    void setSubstitutionsDictionary(std::optional<ts::ValueDictionary> table);

    // Made with its defaults when empty.
    TSDictionaryPrefsPtr dictionaryPrefs() const;
    void setDictionaryPrefs(TSDictionaryPrefsPtr prefs);
    ts::UrlPtr chosenWordsURL() const;
    void setChosenWordsURL(ts::UrlPtr url);
    TSFootnotePrefsPtr vocabSettings() const;
    void setVocabSettings(TSFootnotePrefsPtr settings);
    TSFootnotePrefsPtr footnoteSettings() const;
    void setFootnoteSettings(TSFootnotePrefsPtr settings);

    // Loaded from the grammar file on first use.
    TSGrammarCollectionPtr grammar() const;
    void setGrammar(TSGrammarCollectionPtr grammar);

    // The numeral style the Roman-numeral conversion asks for.
    qint16 numberFormat() const { return 0; }

    // Makes sure the user-defaults file exists; a new one starts empty.
    void fixDefaultsIfNeeded();
    // A collection from the grammar file, marked not dirty. A file that
    // exists but cannot be read gives an empty collection and is protected:
    // saveGrammar will not write over it (see there).
    TSGrammarCollectionPtr loadGrammar() const;
    // Writes the grammar to the grammar file atomically and marks it not
    // dirty. When the file could not be read at load, it is kept: nothing is
    // written while the grammar is unchanged, and a changed (dirty) grammar
    // is written only after the unreadable file has been set aside as
    // "Grammar.plist.unreadable" (a numbered name when that exists).
    void saveGrammar();

    // Object
    ts::ObjectPtr copy() const override;
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;

    // The classes a "Preferences" archive may hold.
    static QStringList archiveClasses();

private:
    ts::ValueDictionary bundleTable(std::optional<ts::ValueDictionary>& field, const char* name) const;

    mutable std::recursive_mutex mutex_;
    bool reviseMarkedOnly_ = false;
    bool automarkWords_ = false;
    bool numberBySubsection_ = false;
    bool logCommunications_ = false;
    bool floatDictionaryWindow_ = false;
    qint32 englishToLatinDictionarySelection_ = 0;
    qint32 latinToEnglishDictionarySelection_ = 0;
    mutable std::optional<Positions> textFieldPositions_;
    mutable std::optional<ts::ValueDictionary> quickMatchDictionary_;
    mutable std::optional<ts::ValueDictionary> keyDictionary_;
    mutable std::optional<ts::ValueDictionary> substitutionsDictionary_;
    mutable TSDictionaryPrefsPtr dictionaryPrefs_;
    ts::UrlPtr chosenWordsURL_;
    mutable TSFootnotePrefsPtr vocabSettings_;
    mutable TSFootnotePrefsPtr footnoteSettings_;
    mutable TSGrammarCollectionPtr grammar_;
    // The grammar file existed but could not be read when the grammar was
    // loaded; it must not be replaced by what was loaded in its place.
    mutable bool grammarFileUnreadable_ = false;
    mutable QString unreadableGrammarPath_;
};
