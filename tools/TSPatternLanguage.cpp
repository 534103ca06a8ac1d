#include "TSPatternLanguage.h"

#include "app/core/Preferences.h"
#include "app/logging/LGLog.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

QHash<QString, QString> stringTable(const ts::ValueDictionary& d) {
    QHash<QString, QString> table;
    table.reserve(qsizetype(d.size()));
    for (const auto& [k, v] : d)
        if (v.isString()) table.insert(k, v.toString());
    return table;
}

QString chars(std::initializer_list<char16_t> units) {
    QString s;
    for (char16_t u : units) s.append(QChar(u));
    return s;
}

}  // namespace

TSPatternTables TSPatternTables::fromDictionaries(const ts::ValueDictionary& keys, const ts::ValueDictionary& substitutions,
                                                  const ts::ValueDictionary& quickMatch) {
    return {stringTable(keys), stringTable(substitutions), stringTable(quickMatch)};
}

TSPatternTables TSPatternTables::fromPreferences() {
    PreferencesPtr p = Preferences::preferences();
    return fromDictionaries(p->keyDictionary(), p->substitutionsDictionary(), p->quickMatchDictionary());
}

QList<TSPatternLanguage::Button> TSPatternLanguage::allButtons() {
    QList<Button> all;
    for (int b = int(Button::Single); b <= int(Button::Her); ++b) all.append(Button(b));
    return all;
}

QString TSPatternLanguage::tokenForButton(Button button, bool option) {
    switch (button) {
    case Button::Single: return option ? QStringLiteral("Chars") : QStringLiteral("Char");
    case Button::Syllable: return QStringLiteral("Syllable");
    case Button::Vowel: return option ? QStringLiteral("Vowels") : QStringLiteral("Vowel");
    case Button::Base: return option ? QStringLiteral("Bases") : QStringLiteral("Base");
    case Button::Ascender: return option ? QStringLiteral("Ascenders") : QStringLiteral("Ascender");
    case Button::Descender: return option ? QStringLiteral("Descenders") : QStringLiteral("Descender");
    case Button::Minims: return QStringLiteral("uuuu");
    case Button::Quo: return chars({0xA757});
    case Button::Ezh: return chars({0x1D23});
    case Button::Super9: return chars({0x0020, 0x1DD2});
    case Button::Inline9: return chars({0xA76F});
    case Button::Rum: return option ? chars({0x002E, 0xA75C, 0x002E}) : chars({0xA75C});
    case Button::Diaeresis: return chars({0x00A8});
    case Button::Tilde: return chars({0x207B});
    case Button::Etiam: return chars({0x204A, 0x0305});
    case Button::Tiro7: return QStringLiteral("7");
    case Button::Er: return option ? chars({0x002E, 0xA75B, 0x002E}) : chars({0xA75B});
    case Button::CrossStroke: return chars({0x27C5, 0x02E4});
    case Button::Pre: return chars({0xA753});
    case Button::Per: return chars({0xA751});
    case Button::Divided: return chars({0x00F7});
    case Button::Der: return chars({0x0111});
    case Button::Her: return chars({0x0127});
    }
    return {};
}

const QStringList& TSPatternLanguage::menuTokens() {
    static const QStringList tokens = [] {
        QStringList t = {QStringLiteral("Char"), QStringLiteral("Chars"), QStringLiteral("Syllable"),
                         QStringLiteral("Vowel"), QStringLiteral("Vowels"), QStringLiteral("Base"),
                         QStringLiteral("Bases"), QStringLiteral("Ascender"), QStringLiteral("Ascenders"),
                         QStringLiteral("Descender"), QStringLiteral("Descenders"), QStringLiteral("uuuu")};
        for (Button b : allButtons()) {
            if (isClassButton(b)) continue;
            t.append(tokenForButton(b, false));
            if (b == Button::Rum || b == Button::Er) t.append(tokenForButton(b, true));
        }
        std::sort(t.begin(), t.end());  // plain code-unit order
        return t;
    }();
    return tokens;
}

const QSet<QString>& TSPatternLanguage::imageSet() {
    static const QSet<QString> set = {chars({0xA753}), chars({0xA751}), chars({0xA757}), chars({0x27C5, 0x02E4}),
                                      chars({0x0020, 0x1DD2})};
    return set;
}

QString TSPatternLanguage::knownLettersString(const QString& fieldString, const TSPatternTables& tables, bool* isList) {
    QString s = QLatin1Char(',') + fieldString + QLatin1Char(',');
    if (isList) *isList = false;

    // Longest keys first; keys of one length in code-unit order, so a run is
    // repeatable.
    QStringList keys = tables.substitutions.keys();
    std::sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() > b.size() : a < b;
    });
    for (const QString& key : keys) {
        if (key.isEmpty()) continue;
        const QString& r = tables.substitutions[key];
        if (r.contains(QLatin1Char('*'))) {
            if (key.size() == s.size() && s == key) s = r;
        } else {
            s.replace(key, r);
        }
    }
    if (s.contains(QLatin1Char('*'))) {
        s.remove(QLatin1Char(','));
        s.remove(QLatin1Char('*'));
        if (isList) *isList = true;
        return s;
    }

    QString expression;
    for (const QString& piece : s.split(QLatin1Char(','))) {
        auto it = tables.keys.constFind(piece);
        if (it != tables.keys.constEnd()) {
            expression += *it;
            continue;
        }
        QString literal = piece;
        literal.replace(QLatin1Char(';'), QLatin1Char(','));
        literal.replace(QStringLiteral("ae"), QStringLiteral("e"));
        literal.replace(QStringLiteral("e"), QStringLiteral("(ae|e)"));
        expression += literal.toLower();
    }
    expression.replace(QLatin1Char('v'), QLatin1Char('u'), Qt::CaseInsensitive);
    expression.replace(QLatin1Char('j'), QLatin1Char('i'), Qt::CaseInsensitive);
    return expression;
}

QString TSPatternLanguage::quickMatchKey(const QString& fieldString) {
    QString key = fieldString.toLower();
    key.remove(QLatin1Char(','));
    key.replace(QLatin1Char(';'), QChar(0x1D23));
    return key;
}

QString TSPatternLanguage::quickMatch(const QString& fieldString, const TSPatternTables& tables) {
    auto it = tables.quickMatch.constFind(quickMatchKey(fieldString));
    return it == tables.quickMatch.constEnd() ? QString() : *it;
}

QString TSPatternLanguage::subsetGroup(const QString& text, bool option) {
    QStringList pieces = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString group = QLatin1Char('(') + pieces.join(QLatin1Char('|'));
    if (option) group += QLatin1Char('+');
    return group + QLatin1Char(')');
}

void TSPatternLanguage::replaceTokens(QStringList& tokens, qsizetype location, qsizetype length, const QString& token) {
    for (qsizetype i = 0; i < length; ++i) {
        if (location >= tokens.size()) {
            TSLogError("Removing object at position %li, only %li in array", qint64(location), qint64(tokens.size()));
            break;
        }
        tokens.removeAt(location);
    }
    if (location >= 0 && location <= tokens.size())
        tokens.insert(location, token);
    else
        tokens.append(token);
}

QString TSPatternLanguage::typedReplacement(const QString& typed) {
    static const QHash<QString, QString> table = {
        {QStringLiteral("^"), QStringLiteral(",^")},
        {QStringLiteral("="), QStringLiteral(",=,")},
        {chars({0x00F7}), QLatin1Char(',') + chars({0x00F7}) + QLatin1Char(',')},
        {QStringLiteral("3"), QLatin1Char(',') + chars({0x1D23}) + QLatin1Char(',')},
        {QStringLiteral("7"), QStringLiteral(",7,")},
        {QStringLiteral("2"), QLatin1Char(',') + chars({0xA75B}) + QLatin1Char(',')},
    };
    return typed.isEmpty() ? QString() : table.value(typed);
}
