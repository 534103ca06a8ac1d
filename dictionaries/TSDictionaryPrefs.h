#pragma once
// The on/off options of a look-up through the outside analyser.
//
// Each option is a bool property archived under its own name. A fresh object
// carries the defaults below; one decoded from an archive takes NO for every
// option the archive lacks (not the default), as older archives expect. The
// options can also be read and written by name (valueForKey / setValueForKey),
// which is how the preferences window binds them.
//
// A plain value object: copies are independent. Not synchronised; the shared
// settings hand out snapshots, so a reader on another thread keeps its own.

#include "platform/Object.h"
#include "platform/Value.h"

#include <QStringList>

#include <array>
#include <memory>

class TSDictionaryPrefs;
using TSDictionaryPrefsPtr = std::shared_ptr<TSDictionaryPrefs>;

class TSDictionaryPrefs : public ts::Object {
    TS_OBJECT(TSDictionaryPrefs, ts::Object)

public:
    // In declaration (and archive) order.
    enum Option {
        ShowOnlyMeanings,
        ShowDictionaryForms,
        TrimOutput,
        IgnoreUnknownNames,
        IgnoreAllCaps,
        LookForCompounds,
        LookForPrefixes,
        LookForSpellingVariations,
        ShowFrequency,
        ShowAge,
        GiveExamples,
        ProvideStemsForUnknowns,
        DoUnknownsOnly,
        MediaevalSpellings,
        LookForSyncope,
        LookForTwoWordsMerged,
        OmitArchaicForms,
        OmitMediaevalForms,
        OmitUncommonForms,
        IForJ,
        UForV,
        MinimizeOutput,
        OptionCount
    };

    TSDictionaryPrefs();

    // The archive key (and property name) of each option, in order.
    static const QStringList& optionKeys();
    static bool defaultValue(Option option);
    // -1 for a name that is not an option.
    static int optionForKey(const QString& key);

    bool value(Option option) const { return option >= 0 && option < OptionCount && values_[option]; }
    void setValue(Option option, bool value) {
        if (option >= 0 && option < OptionCount) values_[option] = value;
    }

    // By name: a bool Value, or null (logged) for a name that is not an option.
    ts::Value valueForKey(const QString& key) const;
    // Answers false (logged) for a name that is not an option; any value that
    // reads as a number or bool is taken as a bool.
    bool setValueForKey(const ts::Value& value, const QString& key);

#define TS_DICTIONARY_PREF(getter, setter, option)                 \
    bool getter() const { return values_[option]; }                \
    void setter(bool value) { values_[option] = value; }
    TS_DICTIONARY_PREF(showOnlyMeanings, setShowOnlyMeanings, ShowOnlyMeanings)
    TS_DICTIONARY_PREF(showDictionaryForms, setShowDictionaryForms, ShowDictionaryForms)
    TS_DICTIONARY_PREF(trimOutput, setTrimOutput, TrimOutput)
    TS_DICTIONARY_PREF(ignoreUnknownNames, setIgnoreUnknownNames, IgnoreUnknownNames)
    TS_DICTIONARY_PREF(ignoreAllCaps, setIgnoreAllCaps, IgnoreAllCaps)
    TS_DICTIONARY_PREF(lookForCompounds, setLookForCompounds, LookForCompounds)
    TS_DICTIONARY_PREF(lookForPrefixes, setLookForPrefixes, LookForPrefixes)
    TS_DICTIONARY_PREF(lookForSpellingVariations, setLookForSpellingVariations, LookForSpellingVariations)
    TS_DICTIONARY_PREF(showFrequency, setShowFrequency, ShowFrequency)
    TS_DICTIONARY_PREF(showAge, setShowAge, ShowAge)
    TS_DICTIONARY_PREF(giveExamples, setGiveExamples, GiveExamples)
    TS_DICTIONARY_PREF(provideStemsForUnknowns, setProvideStemsForUnknowns, ProvideStemsForUnknowns)
    TS_DICTIONARY_PREF(doUnknownsOnly, setDoUnknownsOnly, DoUnknownsOnly)
    TS_DICTIONARY_PREF(mediaevalSpellings, setMediaevalSpellings, MediaevalSpellings)
    TS_DICTIONARY_PREF(lookForSyncope, setLookForSyncope, LookForSyncope)
    TS_DICTIONARY_PREF(lookForTwoWordsMerged, setLookForTwoWordsMerged, LookForTwoWordsMerged)
    TS_DICTIONARY_PREF(omitArchaicForms, setOmitArchaicForms, OmitArchaicForms)
    TS_DICTIONARY_PREF(omitMediaevalForms, setOmitMediaevalForms, OmitMediaevalForms)
    TS_DICTIONARY_PREF(omitUncommonForms, setOmitUncommonForms, OmitUncommonForms)
    TS_DICTIONARY_PREF(iForJ, setIForJ, IForJ)
    TS_DICTIONARY_PREF(uForV, setUForV, UForV)
    TS_DICTIONARY_PREF(minimizeOutput, setMinimizeOutput, MinimizeOutput)
#undef TS_DICTIONARY_PREF

    // Object
    ts::ObjectPtr copy() const override;
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;
    bool isEqual(const ts::Object& other) const override;
    size_t hash() const override;
    QString description() const override;

private:
    std::array<bool, OptionCount> values_{};
};
