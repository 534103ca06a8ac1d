#pragma once
// Spell checking with hunspell dictionaries ("<language>.dic" beside
// "<language>.aff").
//
// Dictionaries are looked for, in this order, in the user's dictionary
// folder ("<XDG data folder>/hunspell", where the application installs its
// Latin dictionary), the folders of $DICPATH, and the system's folders
// ("/usr/share/hunspell", "/usr/share/myspell", "/usr/share/myspell/dicts").
// The first folder that holds a language wins.
//
// Threads: a checker may be used from one thread at a time.

#include <QString>
#include <QStringList>

#include <memory>

class Hunspell;

namespace ts {

class SpellChecker;
using SpellCheckerPtr = std::shared_ptr<SpellChecker>;

class SpellChecker {
public:
    static QString userDictionaryFolder();
    static QStringList searchPath();
    // Every language with both files somewhere on the search path, in search
    // order, each once.
    static QStringList availableLanguages();
    // A checker for the language; null when no folder holds its two files.
    static SpellCheckerPtr forLanguage(const QString& language);

    ~SpellChecker();
    QString language() const { return language_; }
    QString dictionaryPath() const { return dicPath_; }

    bool isCorrect(const QString& word) const;
    QStringList suggestions(const QString& word) const;

private:
    SpellChecker(const QString& language, const QString& affPath, const QString& dicPath);
    std::string encode(const QString& word) const;
    QString decode(const std::string& word) const;

    QString language_;
    QString dicPath_;
    bool utf8_ = true;
    std::unique_ptr<Hunspell> hunspell_;
};

}  // namespace ts
