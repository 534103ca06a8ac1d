#include "app/core/Preferences.h"

#include "app/core/TSBundle.h"
#include "app/logging/LGFileLogger.h"
#include "app/logging/LGLog.h"
#include "platform/ClassRegistry.h"
#include "platform/Coder.h"
#include "platform/Font.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PlatformClasses.h"
#include "platform/PropertyList.h"
#include "platform/Prompter.h"
#include "platform/StringsTable.h"
#include "platform/UserDefaults.h"
#include "textmodel/TSLinkStyle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>

#include <cmath>
#include <filesystem>
#include <system_error>

TS_REGISTER_CLASS(Preferences)

namespace {

const QString kPreferencesKey = QStringLiteral("Preferences");
const QString kUnreadablePreferencesKey = QStringLiteral("Preferences.unreadable");
const QString kPrintLayoutKey = QStringLiteral("PrintLayout");
const QString kGrammarFileName = QStringLiteral("Grammar.plist");

const QString kTextFieldPositions = QStringLiteral("TextFieldPositions");
const QString kFootnoteSettings = QStringLiteral("footnoteSettings");
const QString kVocabSettings = QStringLiteral("vocabSettings");
const QString kDictionaryPrefs = QStringLiteral("dictionaryPrefs");
const QString kMarkAutomatically = QStringLiteral("MarkAutomatically");
const QString kLogCommunications = QStringLiteral("LogCommunications");
const QString kFloatDictionaryWindow = QStringLiteral("floatDictionaryWindow");
const QString kReviseMarkedOnly = QStringLiteral("ReviseMarkedOnly");
const QString kNumberBySubsection = QStringLiteral("numberBySubsection");
const QString kChosenWordsURL = QStringLiteral("chosenWordsURL");
const QString kEnglishToLatin = QStringLiteral("englishToLatinDictionarySelection");
const QString kLatinToEnglish = QStringLiteral("latinToEnglishDictionarySelection");

constexpr Preferences::Positions kDefaultPositions = {0.0, 0.45, 0.55};

// Class-level state, one each per process. Never destroyed, so that nothing
// it holds (the file logger above all) is torn down during static
// destruction while other threads may still use it.
struct ClassState {
    std::mutex mutex;
    PreferencesPtr preferences;
    LGFileLoggerPtr fileLogger;
    std::optional<ts::ValueDictionary> reverseTable;
    ts::ValueDictionary printInfo;
    bool printInfoRestored = false;
};

ClassState& state() {
    static auto* s = new ClassState;
    return *s;
}

qint32 clampToInt32(qint64 v) {
    return qint32(std::clamp<qint64>(v, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

// Creates the folder with its parents; an empty answer means it exists now.
QString makeFolder(const QString& path) {
    if (path.isEmpty()) return QStringLiteral("no parent folder");
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
    if (QFileInfo(path).isDir()) return QString();
    if (ec) return QString::fromLocal8Bit(ec.message().c_str()) + QStringLiteral(" (") + path + QLatin1Char(')');
    return QStringLiteral("Something that is not a folder is in the way (%1)").arg(path);
}

QString childFolder(const QString& parent, const QString& name) {
    return parent.isEmpty() ? QString() : parent + QLatin1Char('/') + name;
}

ts::FontPtr convertFont(const ts::FontPtr& font, qint64 traits) {
    bool bold = font->isBold(), italic = font->isItalic();
    if (traits & TSFootnotePrefs::BoldFontMask) bold = true;
    if (traits & TSFootnotePrefs::UnboldFontMask) bold = false;
    if (traits & TSFootnotePrefs::ItalicFontMask) italic = true;
    if (traits & TSFootnotePrefs::UnitalicFontMask) italic = false;
    return font->withTraits(bold, italic);
}

std::optional<Preferences::Positions> positionsFromValue(const ts::Value& v) {
    const ts::ValueArray& a = v.array();
    if (!v.isArray() || a.size() != 3) return std::nullopt;
    Preferences::Positions p{};
    for (size_t i = 0; i < 3; ++i) {
        if (!a[i].isNumber() || !std::isfinite(a[i].toDouble())) return std::nullopt;
        p[i] = a[i].toDouble();
    }
    return p;
}

}  // namespace

// --- the shared object ---------------------------------------------------------

namespace {

// The text model writes footnote markers and link runs in the style these
// settings hold (the user's stored delimiters, traits, underline and
// colour); without this it would use its built-in defaults.
void installLinkStyleProvider() {
    static std::once_flag once;
    std::call_once(once, [] {
        TSLinkStyles::setProvider([](qint32 linkType, TSLinkStyle& style) {
            const PreferencesPtr p = Preferences::preferences();
            TSFootnotePrefsPtr settings;
            if (linkType == Preferences::FootnoteLink) settings = p->footnoteSettings();
            else if (linkType == Preferences::VocabularyLink) settings = p->vocabSettings();
            if (!settings) return false;
            style.footnoteDelimiterOpen = settings->footnoteDelimiterOpen();
            style.footnoteDelimiterClose = settings->footnoteDelimiterClose();
            style.underline = settings->underline();
            style.fontTraits = settings->fontTraits();
            style.linkColor = settings->linkColor();
            return true;
        });
    });
}

}  // namespace

PreferencesPtr Preferences::preferences() {
    installLinkStyleProvider();
    std::lock_guard<std::mutex> lock(state().mutex);
    if (!state().preferences) state().preferences = std::make_shared<Preferences>();
    return state().preferences;
}

void Preferences::setPreferences(PreferencesPtr preferences) {
    installLinkStyleProvider();
    PreferencesPtr old;
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        old = std::move(state().preferences);
        state().preferences = std::move(preferences);
    }
    // `old` is released here, outside the lock; readers holding it keep it.
}

QStringList Preferences::archiveClasses() {
    return {Preferences::staticClassName(), TSFootnotePrefs::staticClassName(), TSDictionaryPrefs::staticClassName(),
            ts::Color::staticClassName(), ts::Url::staticClassName()};
}

void Preferences::loadPreferences() {
    ts::registerPlatformClasses();
    const ts::Value stored = ts::UserDefaults::standardUserDefaults()->objectForKey(kPreferencesKey);
    if (stored.isData()) {
        // A damaged value must not stop every launch: read it without
        // trusting it, accept only a settings object, and otherwise go on
        // with the defaults.
        QString error;
        const ts::Value root = ts::KeyedUnarchiver::unarchive(stored.toData(), archiveClasses(), &error);
        if (auto loaded = root.toObjectAs<Preferences>()) {
            setPreferences(loaded);
            return;
        }
        if (error.isEmpty()) error = QStringLiteral("the archive holds %1, not settings").arg(root.description());
        TSLogError("Unable to read the stored settings, using the defaults: %@", error);
        // The next save replaces the value: keep the unreadable bytes beside
        // it (the first ones found), so that the user's settings can still be
        // recovered by hand.
        auto defaults = ts::UserDefaults::standardUserDefaults();
        if (!defaults->objectForKey(kUnreadablePreferencesKey).isData())
            defaults->setObject(stored, kUnreadablePreferencesKey);
        setPreferences(nullptr);
        return;
    }
    PreferencesPtr p = preferences();
    p->fixDefaultsIfNeeded();
    savePreferences();
}

void Preferences::savePreferences() {
    PreferencesPtr p = preferences();
    QString error;
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(p), &error);
    auto defaults = ts::UserDefaults::standardUserDefaults();
    if (data.isEmpty())
        TSLogError("Unable to archive the settings %@", error);
    else if (!defaults->setObject(ts::Value(data), kPreferencesKey))
        TSLogError("Unable to store the settings %@", defaults->lastError());
    if (!defaults->synchronize()) TSLogError("Unable to save the user defaults %@", defaults->lastError());
    p->saveGrammar();
}

LGFileLoggerPtr Preferences::fileLogger() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().fileLogger;
}

void Preferences::setFileLogger(LGFileLoggerPtr logger) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().fileLogger = std::move(logger);
}

bool Preferences::showCases() { return !preferences()->dictionaryPrefs()->showOnlyMeanings(); }

void Preferences::resetSharedState() {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().preferences.reset();
    state().reverseTable.reset();
    state().printInfo.clear();
    state().printInfoRestored = false;
}

// --- folders and files -----------------------------------------------------------

QString Preferences::supportDirectory() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
    const QString path = base + QLatin1Char('/') + TSBundle::executableName();
    const QString error = makeFolder(path);
    if (!error.isEmpty()) {
        TSLogError("Unable to create support directory %@", error);
        return QString();
    }
    return path;
}

QString Preferences::proximityPatternFolder() {
    const QString path = childFolder(supportDirectory(), QStringLiteral("ProximityPatterns"));
    const QString error = makeFolder(path);
    if (!error.isEmpty()) {
        TSLogError("Unable to create proximity pattern folder\n%@", error);
        return QString();
    }
    return path;
}

QString Preferences::dictionariesFolder() {
    const QString path = childFolder(supportDirectory(), QStringLiteral("Dictionaries"));
    const QString error = makeFolder(path);
    if (!error.isEmpty()) {
        TSLogError("Unable to create kDictionariesFolder folder\n%@", error);
        return QString();
    }
    return path;
}

QString Preferences::userDictionariesFolder() {
    const QString path = childFolder(dictionariesFolder(), QStringLiteral("User Dictionaries"));
    const QString error = makeFolder(path);
    if (!error.isEmpty()) {
        TSLogError("Unable to create User Dictionaries folder\n%@", error);
        return QString();
    }
    return path;
}

QString Preferences::cappelliFolder() {
    const QString path = childFolder(supportDirectory(), QStringLiteral("Cappelli"));
    const QString error = makeFolder(path);
    if (!error.isEmpty()) {
        TSLogError("Unable to create kCappelliFolder folder\n%@", error);
        return QString();
    }
    return path;
}

QString Preferences::grammarFile() {
    const QString support = supportDirectory();
    if (support.isEmpty()) return QString();
    const QString localeFolder = support + QLatin1Char('/') + QLocale().name();
    if (!QFileInfo::exists(localeFolder)) {
        const QString error = makeFolder(localeFolder);
        if (!error.isEmpty()) TSLogError("Error making localeFolder %@", error);
    }
    const QString file = localeFolder + QLatin1Char('/') + kGrammarFileName;
    if (!QFileInfo::exists(file)) {
        const QString source = TSBundle::pathForResource(QStringLiteral("Grammar"), QStringLiteral("plist"));
        if (source.isEmpty()) {
            TSLogError("Error moving default grammar %@", QStringLiteral("no Grammar.plist among the resources"));
        } else {
            QFile in(source);
            if (!in.copy(file)) {
                TSLogError("Error moving default grammar %@", in.errorString());
            } else {
                // The copy keeps the resource's permissions; the user's file
                // must be writable.
                QFile::setPermissions(file, QFile::permissions(file) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            }
        }
    }
    return file;
}

QString Preferences::userDefaultsFile() { return ts::UserDefaults::standardFilePath(); }

// --- localisation ------------------------------------------------------------------

ts::ValueDictionary Preferences::reverseLocalizationList() {
    std::lock_guard<std::mutex> lock(state().mutex);
    if (!state().reverseTable) {
        ts::ValueDictionary table;
        const QString path = TSBundle::pathForResource(QStringLiteral("Localizable"), QStringLiteral("strings"));
        if (path.isEmpty()) {
            TSLogError("Unable to read the strings table %@", QStringLiteral("Localizable.strings is missing"));
        } else {
            QString error;
            const ts::StringsTable strings = ts::StringsTable::fromFile(path, &error);
            if (!error.isEmpty()) TSLogError("Unable to read the strings table %@", error);
            for (const auto& [key, text] : strings.entries()) table[text] = key;
        }
        state().reverseTable = std::move(table);
    }
    return *state().reverseTable;
}

QString Preferences::reverseLocalize(const QString& text) {
    if (text.isNull()) {
        TSLogError("Nil string at reverseLocalize");
        return QString();
    }
    const ts::ValueDictionary table = reverseLocalizationList();
    const auto it = table.find(text);
    return it == table.end() ? text : it->second.toString();
}

// --- link attributes ---------------------------------------------------------------

void Preferences::addLinkAttributes(ts::Attributes& attributes, qint32 linkType,
                                    const ts::Attributes* currentAttributes) {
    const PreferencesPtr p = preferences();
    TSFootnotePrefsPtr settings;
    if (linkType == FootnoteLink)
        settings = p->footnoteSettings();
    else if (linkType == VocabularyLink)
        settings = p->vocabSettings();
    if (!settings) {
        TSLogError("bad link type at addLinkAttributes");
        return;
    }
    attributes[ts::AttributeName::ForegroundColor] = ts::Value(settings->linkColor());
    if (settings->underline()) attributes[ts::AttributeName::Underline] = ts::Value(1);
    if (currentAttributes && settings->fontTraits() >= 1) {
        const auto it = currentAttributes->find(ts::AttributeName::Font);
        if (it != currentAttributes->end()) {
            if (auto font = it->second.toObjectAs<ts::Font>())
                attributes[ts::AttributeName::Font] = ts::Value(convertFont(font, settings->fontTraits()));
        }
    }
}

// --- print layout --------------------------------------------------------------------

ts::ValueDictionary Preferences::getPrintInfo() {
    std::lock_guard<std::mutex> lock(state().mutex);
    if (!state().printInfoRestored) {
        state().printInfoRestored = true;
        const QByteArray data = ts::UserDefaults::standardUserDefaults()->dataForKey(kPrintLayoutKey);
        if (!data.isEmpty()) {
            const ts::Value v = ts::KeyedUnarchiver::unarchive(data);
            if (!v.isDictionary())
                TSLogError("nil dict at getPrintInfo");
            else
                state().printInfo = v.dictionary();
        }
    }
    return state().printInfo;
}

void Preferences::setPrintInfo(const ts::Value& printInfo) {
    if (!printInfo.isDictionary()) {
        TSLogError("nil printInfo at setPrintInfo");
        return;
    }
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        state().printInfo = printInfo.dictionary();
    }
    QString error;
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(printInfo, &error);
    auto defaults = ts::UserDefaults::standardUserDefaults();
    if (data.isEmpty())
        TSLogError("Unable to archive the print layout %@", error);
    else if (!defaults->setObject(ts::Value(data), kPrintLayoutKey))
        TSLogError("Unable to store the print layout %@", defaults->lastError());
}

// --- file panels ------------------------------------------------------------------------

QString Preferences::chooseImportFile() {
    ts::OpenPanelRequest request;
    request.canChooseFiles = true;
    request.canChooseDirectories = true;
    request.allowsMultipleSelection = false;
    const QStringList chosen = ts::Prompter::current()->openPanel(request);
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString Preferences::specifyExportFile(const QString& name, const QString& type) {
    ts::SavePanelRequest request;
    request.title = QStringLiteral("Export");
    request.nameFieldStringValue = ts::format("%@.%@", name, type);
    request.allowedFileTypes = {QStringLiteral("plist")};
    return ts::Prompter::current()->savePanel(request);
}

// --- fields ------------------------------------------------------------------------------

#define TS_PREF_ACCESSORS(Type, getter, setter, field)       \
    Type Preferences::getter() const {                        \
        std::lock_guard<std::recursive_mutex> lock(mutex_);   \
        return field;                                         \
    }                                                         \
    void Preferences::setter(Type value) {                    \
        std::lock_guard<std::recursive_mutex> lock(mutex_);   \
        field = value;                                        \
    }
TS_PREF_ACCESSORS(bool, reviseMarkedOnly, setReviseMarkedOnly, reviseMarkedOnly_)
TS_PREF_ACCESSORS(bool, automarkWords, setAutomarkWords, automarkWords_)
TS_PREF_ACCESSORS(bool, numberBySubsection, setNumberBySubsection, numberBySubsection_)
TS_PREF_ACCESSORS(bool, logCommunications, setLogCommunications, logCommunications_)
TS_PREF_ACCESSORS(bool, floatDictionaryWindow, setFloatDictionaryWindow, floatDictionaryWindow_)
TS_PREF_ACCESSORS(qint32, englishToLatinDictionarySelection, setEnglishToLatinDictionarySelection,
                  englishToLatinDictionarySelection_)
TS_PREF_ACCESSORS(qint32, latinToEnglishDictionarySelection, setLatinToEnglishDictionarySelection,
                  latinToEnglishDictionarySelection_)
#undef TS_PREF_ACCESSORS

Preferences::Positions Preferences::textFieldPositions() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!textFieldPositions_) textFieldPositions_ = kDefaultPositions;
    return *textFieldPositions_;
}

void Preferences::setTextFieldPositions(std::optional<Positions> positions) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    textFieldPositions_ = positions;
}

ts::ValueDictionary Preferences::bundleTable(std::optional<ts::ValueDictionary>& field, const char* name) const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!field) {
        const QString path = TSBundle::pathForResource(QString::fromLatin1(name), QStringLiteral("plist"));
        QFile file(path);
        if (!path.isEmpty() && file.open(QIODevice::ReadOnly)) {
            const ts::PlistResult r = ts::PropertyList::read(file.readAll());
            if (r.ok() && r.value.isDictionary()) field = r.value.dictionary();
        }
    }
    return field.value_or(ts::ValueDictionary{});
}

ts::ValueDictionary Preferences::quickMatchDictionary() const { return bundleTable(quickMatchDictionary_, "quickmatch"); }
ts::ValueDictionary Preferences::keyDictionary() const { return bundleTable(keyDictionary_, "abbreviationKeys"); }
ts::ValueDictionary Preferences::substitutionsDictionary() const {
    return bundleTable(substitutionsDictionary_, "substitutions");
}

void Preferences::setQuickMatchDictionary(std::optional<ts::ValueDictionary> table) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    quickMatchDictionary_ = std::move(table);
}
void Preferences::setKeyDictionary(std::optional<ts::ValueDictionary> table) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    keyDictionary_ = std::move(table);
}
void Preferences::setSubstitutionsDictionary(std::optional<ts::ValueDictionary> table) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    substitutionsDictionary_ = std::move(table);
}

TSDictionaryPrefsPtr Preferences::dictionaryPrefs() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!dictionaryPrefs_) dictionaryPrefs_ = std::make_shared<TSDictionaryPrefs>();
    return dictionaryPrefs_;
}

void Preferences::setDictionaryPrefs(TSDictionaryPrefsPtr prefs) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    dictionaryPrefs_ = std::move(prefs);
}

ts::UrlPtr Preferences::chosenWordsURL() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return chosenWordsURL_;
}

void Preferences::setChosenWordsURL(ts::UrlPtr url) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    chosenWordsURL_ = std::move(url);
}

TSFootnotePrefsPtr Preferences::vocabSettings() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!vocabSettings_) {
        vocabSettings_ = std::make_shared<TSFootnotePrefs>();
        vocabSettings_->setLinkColor(ts::Color::linkColor());
    }
    return vocabSettings_;
}

void Preferences::setVocabSettings(TSFootnotePrefsPtr settings) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    vocabSettings_ = std::move(settings);
}

TSFootnotePrefsPtr Preferences::footnoteSettings() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!footnoteSettings_) footnoteSettings_ = std::make_shared<TSFootnotePrefs>();
    return footnoteSettings_;
}

void Preferences::setFootnoteSettings(TSFootnotePrefsPtr settings) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    footnoteSettings_ = std::move(settings);
}

TSGrammarCollectionPtr Preferences::grammar() const {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!grammar_) grammar_ = loadGrammar();
    return grammar_;
}

void Preferences::setGrammar(TSGrammarCollectionPtr grammar) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    grammar_ = std::move(grammar);
}

// --- files of the object ---------------------------------------------------------------

void Preferences::fixDefaultsIfNeeded() {
    const QString path = userDefaultsFile();
    if (QFileInfo::exists(path)) return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        TSLogError("Unable to create the user defaults file %@: %@", path, file.errorString());
    file.close();
    ts::UserDefaults::resetStandardUserDefaults();
    auto defaults = ts::UserDefaults::standardUserDefaults();
    if (!defaults->synchronize()) TSLogError("Unable to save the user defaults %@", defaults->lastError());
}

TSGrammarCollectionPtr Preferences::loadGrammar() const {
    auto collection = std::make_shared<TSGrammarCollection>();
    const QString path = grammarFile();
    bool unreadable = false;
    QString reason;
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            unreadable = true;
            reason = file.errorString();
        } else {
            const QByteArray data = file.readAll();
            if (!data.isEmpty()) {
                const ts::PlistResult r = ts::PropertyList::read(data);
                if (r.ok() && r.value.isArray()) {
                    collection->importFromArray(r.value);
                } else {
                    unreadable = true;
                    reason = r.ok() ? QStringLiteral("the top level is not a list") : r.error;
                }
            }
        }
    }
    collection->setDirty(false);
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        grammarFileUnreadable_ = unreadable;
        unreadableGrammarPath_ = unreadable ? path : QString();
    }
    if (unreadable)
        TSLogError("The grammar file %@ could not be read (%@); it is kept and will not be written over", path,
                   reason);
    return collection;
}

void Preferences::saveGrammar() {
    const TSGrammarCollectionPtr g = grammar();
    const QString path = grammarFile();
    if (path.isEmpty()) {
        TSLogError("Error writing grammar file %@", QStringLiteral("there is no support folder"));
        return;
    }
    bool protect = false;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        protect = grammarFileUnreadable_ && unreadableGrammarPath_ == path;
    }
    if (protect && QFileInfo::exists(path)) {
        if (g->count() == 0 && !g->dirty()) {
            TSLogError("The grammar file %@ could not be read; it is kept as it is and not written over", path);
            return;
        }
        // Something new is to be saved: set the user's unreadable file aside
        // rather than lose it.
        QString backup = path + QStringLiteral(".unreadable");
        for (int n = 2; QFileInfo::exists(backup); ++n) backup = path + QStringLiteral(".unreadable-%1").arg(n);
        if (!QFile::rename(path, backup)) {
            TSLogError("Error writing grammar file %@", QStringLiteral("the unreadable file could not be set aside"));
            return;
        }
        TSLogError("The unreadable grammar file was kept as %@", backup);
    }
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        grammarFileUnreadable_ = false;
        unreadableGrammarPath_.clear();
    }
    const QByteArray data = g->exportToPListFormat();
    if (data.isEmpty()) {
        TSLogError("Error writing grammar file %@", QStringLiteral("the grammar could not be exported"));
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        TSLogError("Error writing grammar file %@", file.errorString());
        return;
    }
    g->setDirty(false);
}

// --- coding and copying ---------------------------------------------------------------

void Preferences::encodeWithCoder(ts::Coder& coder) const {
    const Positions positions = textFieldPositions();
    coder.encodeObject(ts::Value(ts::ValueArray{positions[0], positions[1], positions[2]}), kTextFieldPositions);
    coder.encodeObject(ts::Value(footnoteSettings()), kFootnoteSettings);
    coder.encodeObject(ts::Value(vocabSettings()), kVocabSettings);
    coder.encodeObject(ts::Value(dictionaryPrefs()), kDictionaryPrefs);
    coder.encodeBool(automarkWords(), kMarkAutomatically);
    coder.encodeBool(logCommunications(), kLogCommunications);
    coder.encodeBool(floatDictionaryWindow(), kFloatDictionaryWindow);
    coder.encodeBool(reviseMarkedOnly(), kReviseMarkedOnly);
    coder.encodeBool(numberBySubsection(), kNumberBySubsection);
    if (const ts::UrlPtr url = chosenWordsURL()) coder.encodeObject(ts::Value(url), kChosenWordsURL);
    coder.encodeInteger(englishToLatinDictionarySelection(), kEnglishToLatin);
    coder.encodeInteger(latinToEnglishDictionarySelection(), kLatinToEnglish);
}

bool Preferences::initWithCoder(ts::Coder& coder) {
    // Positions that are not three finite numbers would misplace the panes;
    // they are dropped and the defaults come back.
    setTextFieldPositions(positionsFromValue(coder.decodeObject(kTextFieldPositions)));
    setFootnoteSettings(coder.decodeObject(kFootnoteSettings).toObjectAs<TSFootnotePrefs>());
    setVocabSettings(coder.decodeObject(kVocabSettings).toObjectAs<TSFootnotePrefs>());
    setDictionaryPrefs(coder.decodeObject(kDictionaryPrefs).toObjectAs<TSDictionaryPrefs>());
    setReviseMarkedOnly(coder.decodeBool(kReviseMarkedOnly));
    setAutomarkWords(coder.decodeBool(kMarkAutomatically));
    setLogCommunications(coder.decodeBool(kLogCommunications));
    setFloatDictionaryWindow(coder.decodeBool(kFloatDictionaryWindow));
    setNumberBySubsection(coder.decodeBool(kNumberBySubsection));
    setChosenWordsURL(coder.decodeObject(kChosenWordsURL).toObjectAs<ts::Url>());
    setEnglishToLatinDictionarySelection(clampToInt32(coder.decodeInteger(kEnglishToLatin)));
    setLatinToEnglishDictionarySelection(clampToInt32(coder.decodeInteger(kLatinToEnglish)));
    return true;
}

ts::ObjectPtr Preferences::copy() const {
    auto c = std::make_shared<Preferences>();
    // Reading the grammar first loads it, so the copy carries the tree.
    const TSGrammarCollectionPtr g = grammar();
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    c->textFieldPositions_ = textFieldPositions();
    c->grammar_ = g ? std::dynamic_pointer_cast<TSGrammarCollection>(g->copy()) : nullptr;
    if (c->grammar_ && g) c->grammar_->setDirty(g->dirty());
    c->grammarFileUnreadable_ = grammarFileUnreadable_;
    c->unreadableGrammarPath_ = unreadableGrammarPath_;
    c->footnoteSettings_ = std::dynamic_pointer_cast<TSFootnotePrefs>(footnoteSettings()->copy());
    c->vocabSettings_ = std::dynamic_pointer_cast<TSFootnotePrefs>(vocabSettings()->copy());
    c->dictionaryPrefs_ = std::dynamic_pointer_cast<TSDictionaryPrefs>(dictionaryPrefs()->copy());
    c->chosenWordsURL_ = chosenWordsURL_ ? std::dynamic_pointer_cast<ts::Url>(chosenWordsURL_->copy()) : nullptr;
    c->reviseMarkedOnly_ = reviseMarkedOnly_;
    c->automarkWords_ = automarkWords_;
    c->numberBySubsection_ = numberBySubsection_;
    c->logCommunications_ = logCommunications_;
    c->floatDictionaryWindow_ = floatDictionaryWindow_;
    c->englishToLatinDictionarySelection_ = englishToLatinDictionarySelection_;
    c->latinToEnglishDictionarySelection_ = latinToEnglishDictionarySelection_;
    return c;
}
