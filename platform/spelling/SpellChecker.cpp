#include "platform/spelling/SpellChecker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <hunspell/hunspell.hxx>

namespace ts {

QString SpellChecker::userDictionaryFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/hunspell");
}

QStringList SpellChecker::searchPath() {
    QStringList path{userDictionaryFolder()};
    const QString dicpath = QString::fromLocal8Bit(qgetenv("DICPATH"));
    for (const QString& p : dicpath.split(QLatin1Char(':'), Qt::SkipEmptyParts)) path << p;
    path << QStringLiteral("/usr/share/hunspell") << QStringLiteral("/usr/share/myspell")
         << QStringLiteral("/usr/share/myspell/dicts");
    return path;
}

QStringList SpellChecker::availableLanguages() {
    QStringList languages;
    for (const QString& folder : searchPath()) {
        const QDir dir(folder);
        for (const QString& dic : dir.entryList({QStringLiteral("*.dic")}, QDir::Files | QDir::Readable, QDir::Name)) {
            const QString language = QFileInfo(dic).completeBaseName();
            if (!languages.contains(language) && QFileInfo(dir.filePath(language + QStringLiteral(".aff"))).isReadable())
                languages << language;
        }
    }
    return languages;
}

SpellCheckerPtr SpellChecker::forLanguage(const QString& language) {
    if (language.isEmpty() || language.contains(QLatin1Char('/'))) return nullptr;
    for (const QString& folder : searchPath()) {
        const QDir dir(folder);
        const QString dic = dir.filePath(language + QStringLiteral(".dic"));
        const QString aff = dir.filePath(language + QStringLiteral(".aff"));
        if (QFileInfo(dic).isReadable() && QFileInfo(aff).isReadable())
            return SpellCheckerPtr(new SpellChecker(language, aff, dic));
    }
    return nullptr;
}

SpellChecker::SpellChecker(const QString& language, const QString& affPath, const QString& dicPath)
    : language_(language), dicPath_(dicPath) {
    hunspell_ = std::make_unique<Hunspell>(QFile::encodeName(affPath).constData(), QFile::encodeName(dicPath).constData());
    const QString encoding = QString::fromStdString(hunspell_->get_dict_encoding()).toUpper();
    utf8_ = encoding.isEmpty() || encoding == QLatin1String("UTF-8") || encoding == QLatin1String("UTF8");
}

SpellChecker::~SpellChecker() = default;

std::string SpellChecker::encode(const QString& word) const {
    return utf8_ ? word.toStdString() : word.toLatin1().toStdString();
}

QString SpellChecker::decode(const std::string& word) const {
    return utf8_ ? QString::fromStdString(word) : QString::fromLatin1(word.data(), qsizetype(word.size()));
}

bool SpellChecker::isCorrect(const QString& word) const {
    if (word.isEmpty()) return true;
    return hunspell_->spell(encode(word));
}

QStringList SpellChecker::suggestions(const QString& word) const {
    QStringList out;
    for (const std::string& s : hunspell_->suggest(encode(word))) out << decode(s);
    return out;
}

}  // namespace ts
