#include "dictionaries/TSDictionaryPrefs.h"

#include "app/logging/LGLog.h"
#include "platform/ClassRegistry.h"
#include "platform/Coder.h"

TS_REGISTER_CLASS(TSDictionaryPrefs)

namespace {

// Matches the order of TSDictionaryPrefs::Option.
constexpr bool kDefaults[TSDictionaryPrefs::OptionCount] = {
    false,  // showOnlyMeanings
    true,   // showDictionaryForms
    true,   // trimOutput
    true,   // ignoreUnknownNames
    true,   // ignoreAllCaps
    true,   // lookForCompounds
    true,   // lookForPrefixes
    true,   // lookForSpellingVariations
    true,   // showFrequency
    true,   // showAge
    false,  // giveExamples
    false,  // provideStemsForUnknowns
    false,  // doUnknownsOnly
    true,   // mediaevalSpellings
    true,   // lookForSyncope
    true,   // lookForTwoWordsMerged
    true,   // omitArchaicForms
    false,  // omitMediaevalForms
    true,   // omitUncommonForms
    false,  // iForJ
    false,  // uForV
    true,   // minimizeOutput
};

}  // namespace

TSDictionaryPrefs::TSDictionaryPrefs() {
    for (int i = 0; i < OptionCount; ++i) values_[i] = kDefaults[i];
}

const QStringList& TSDictionaryPrefs::optionKeys() {
    static const QStringList keys = {
        QStringLiteral("showOnlyMeanings"),
        QStringLiteral("showDictionaryForms"),
        QStringLiteral("trimOutput"),
        QStringLiteral("ignoreUnknownNames"),
        QStringLiteral("ignoreAllCaps"),
        QStringLiteral("lookForCompounds"),
        QStringLiteral("lookForPrefixes"),
        QStringLiteral("lookForSpellingVariations"),
        QStringLiteral("showFrequency"),
        QStringLiteral("showAge"),
        QStringLiteral("giveExamples"),
        QStringLiteral("provideStemsForUnknowns"),
        QStringLiteral("doUnknownsOnly"),
        QStringLiteral("mediaevalSpellings"),
        QStringLiteral("lookForSyncope"),
        QStringLiteral("lookForTwoWordsMerged"),
        QStringLiteral("omitArchaicForms"),
        QStringLiteral("omitMediaevalForms"),
        QStringLiteral("omitUncommonForms"),
        QStringLiteral("iForJ"),
        QStringLiteral("uForV"),
        QStringLiteral("minimizeOutput"),
    };
    return keys;
}

bool TSDictionaryPrefs::defaultValue(Option option) {
    return option >= 0 && option < OptionCount && kDefaults[option];
}

int TSDictionaryPrefs::optionForKey(const QString& key) {
    return int(optionKeys().indexOf(key));
}

ts::Value TSDictionaryPrefs::valueForKey(const QString& key) const {
    const int option = optionForKey(key);
    if (option < 0) {
        TSLogError("No look-up option named %@", key);
        return {};
    }
    return ts::Value(values_[option]);
}

bool TSDictionaryPrefs::setValueForKey(const ts::Value& value, const QString& key) {
    const int option = optionForKey(key);
    if (option < 0) {
        TSLogError("No look-up option named %@", key);
        return false;
    }
    values_[option] = value.toBool();
    return true;
}

ts::ObjectPtr TSDictionaryPrefs::copy() const {
    auto c = std::dynamic_pointer_cast<TSDictionaryPrefs>(newInstance());
    if (!c) return nullptr;
    c->values_ = values_;
    return c;
}

void TSDictionaryPrefs::encodeWithCoder(ts::Coder& coder) const {
    const QStringList& keys = optionKeys();
    for (int i = 0; i < OptionCount; ++i) coder.encodeBool(values_[i], keys[i]);
}

bool TSDictionaryPrefs::initWithCoder(ts::Coder& coder) {
    const QStringList& keys = optionKeys();
    for (int i = 0; i < OptionCount; ++i) values_[i] = coder.decodeBool(keys[i]);
    return true;
}

bool TSDictionaryPrefs::isEqual(const ts::Object& other) const {
    const auto* o = dynamic_cast<const TSDictionaryPrefs*>(&other);
    return o && o->values_ == values_;
}

size_t TSDictionaryPrefs::hash() const {
    size_t h = 0;
    for (int i = 0; i < OptionCount; ++i) h = (h << 1) | (values_[i] ? 1 : 0);
    return h;
}

QString TSDictionaryPrefs::description() const {
    QStringList on;
    const QStringList& keys = optionKeys();
    for (int i = 0; i < OptionCount; ++i)
        if (values_[i]) on << keys[i];
    return QStringLiteral("<TSDictionaryPrefs: %1>").arg(on.join(QStringLiteral(", ")));
}
