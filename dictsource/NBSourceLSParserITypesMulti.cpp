// Inflection types of two, three and four comma components: principal parts
// with conjugation numbers, adjective endings and genitive pairs. Each
// handler is one ordered list of tests on the trimmed components; the first
// that holds decides. The texts the tests compare with come from bundled
// data files, addressed by rule and position, so that no long vowel or dash
// is retyped here.
#include "dictsource/NBSourceLSParser.h"

#include "dictionaries/DictionaryEntry.h"

#include <QFile>
#include <QHash>

namespace {

QString trimmedOf(const QString& s, const QString& chars) {
    qsizetype b = 0, e = s.size();
    while (b < e && chars.contains(s.at(b))) ++b;
    while (e > b && chars.contains(s.at(e - 1))) --e;
    return s.mid(b, e - b);
}

QChar fromEnd(const QString& s, qsizetype n) { return n >= 1 && s.size() >= n ? s.at(s.size() - n) : QChar(); }

// Fills the "%@" places of a format in order.
QString fill(const QString& format, const QStringList& args) {
    QString out;
    qsizetype from = 0, arg = 0;
    for (;;) {
        const qsizetype at = format.indexOf(QStringLiteral("%@"), from);
        if (at < 0) break;
        out += format.mid(from, at - from);
        out += args.value(arg++);
        from = at + 2;
    }
    return out + format.mid(from);
}

struct MultiTexts {
    QHash<QString, QStringList> tests, effects;
    QHash<QString, QSet<QString>> sets;
};

void readInto(MultiTexts& t, const QString& name, const QString& prefix) {
    QFile file(QStringLiteral(":/dictsource/") + name);
    if (!file.open(QIODevice::ReadOnly)) return;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() < 3) continue;
        if (f.at(0) == u"set") t.sets[f.at(1)].insert(f.at(2));
        else if (f.at(1) == u"test") t.tests[prefix + f.at(0)] << f.at(2);
        else t.effects[prefix + f.at(0)] << f.at(2);
    }
}

const MultiTexts& multiTexts() {
    static const MultiTexts t = [] {
        MultiTexts r;
        readInto(r, QStringLiteral("LewisShortITypes2.txt"), QStringLiteral("2:"));
        readInto(r, QStringLiteral("LewisShortITypes34.txt"), QString());
        return r;
    }();
    return t;
}

// Accessors by rule and position; a missing text is a null string, which
// no trimmed component equals and every text ends with, so a damaged data
// file is caught by the table checks rather than here.
struct Rules {
    QString prefix;
    QString t(const QString& rule, int i) const { return multiTexts().tests.value(prefix + rule).value(i); }
    QString e(const QString& rule, int i) const { return multiTexts().effects.value(prefix + rule).value(i); }
    QString t(int rule, int i) const { return t(QString::number(rule), i); }
    QString e(int rule, int i) const { return e(QString::number(rule), i); }
};

}  // namespace

const QSet<QString>& NBSourceLSParser::multiComponentSet(const QString& name) {
    static const QSet<QString> none;
    const auto it = multiTexts().sets.find(name);
    return it == multiTexts().sets.end() ? none : it.value();
}

void NBSourceLSParser::cleanFirstPartEntry() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    const QString text = entry->entry();
    const QString sep = QStringLiteral(", ");
    if (!text.contains(sep)) return;
    const QStringList pieces = text.split(sep);
    entry->setEntry(pieces.first());
    for (qsizetype i = 1; i < pieces.size(); ++i) addNote(QStringLiteral("(%1)").arg(pieces.at(i)));
}

void NBSourceLSParser::appendToHeadword(const QString& format, const QStringList& args) {
    if (const DictionaryEntryPtr entry = curEntry()) entry->setEntry(entry->entry() + fill(format, args));
}

bool NBSourceLSParser::endsLikeHeadword(const QString& form) const {
    const QString headword = curEntry() ? firstPartOf(curEntry()->entry()) : QString();
    if (form.size() < 4 || form == headword) return false;
    for (const QChar c : form)
        if (!c.isLetter()) return false;
    qsizetype common = 0;
    while (common < form.size() && common < headword.size() &&
           form.at(form.size() - 1 - common) == headword.at(headword.size() - 1 - common))
        ++common;
    return common >= 3;
}

int NBSourceLSParser::handle2ComponentIType(const QStringList& pieces) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || pieces.size() != 2) return 0;
    const Rules r{QStringLiteral("2:")};
    const QString p1 = trimmedOf(pieces.at(0), QStringLiteral(" .")), p2 = trimmedOf(pieces.at(1), QStringLiteral(" ."));
    auto ew = [](const QString& s, const QString& x) { return s.endsWith(x); };
    auto type = [&](int n) { entry->setType(n); };
    auto conj = [&](int n) { setConjugation(n); };
    const int n2 = p2.toInt();
    const QString key = keyText();
    auto alternativeWith = [&](const QString& suffix) {
        auto form = std::make_shared<DictionaryEntry>();
        form->setEntry(entry->entry());
        addGenitive(p1);
        entry->addChild(form);
        form->setAlternative(true);
        form->setEntry(form->entry() + suffix);
        addOrthoEntry(form);
    };

    if (ew(p1, r.t(1, 0)) && ew(p2, r.t(1, 1))) return appendToHeadword(r.e(1, 0), {p1, p2}), type(3), conj(2), 1;
    if (ew(p1, r.t(2, 0)) && p2 == r.t(2, 1)) return appendToHeadword(r.e(2, 0), {p1}), type(2), conj(1), 2;
    if (p1 == r.t(3, 0) && p2 == r.t(3, 1)) return type(2), setDeponent(), addSecondPart(p1), conj(1), 3;
    if (p1 == r.t(4, 0) && p2 == r.t(4, 1))
        return type(2), conj(1), addAbsentSecondPart(), addThirdPart(p1), addFourthPart(p2), 4;
    if (p1 == r.t(5, 0) && p2 == r.t(5, 1)) return addSecondPart(p2), addFourthPart(p1), type(2), conj(1), 5;
    if (p1 == r.t(6, 0) && p2 == r.t(6, 1)) return appendToHeadword(r.e(6, 0), {p1}), type(2), conj(1), 6;
    if (p1 == r.t(7, 0) && p2 == r.t(7, 1)) return type(2), conj(1), addAbsentSecondPart(), addThirdPart(p1), 7;
    if (p1 == r.t(8, 0) && p2 == r.t(8, 1))
        return setDeponent(), addSecondPart(p2), addThirdPart(p1), type(2), conj(1), 8;
    if (ew(p1, r.t(9, 0)) && p2 == r.t(9, 1)) return appendToHeadword(r.e(6, 0), {p1}), type(2), conj(1), 9;
    if (ew(p1, r.t(10, 0))) {
        if (isANumber(p2)) {
            conj(n2);
        } else {
            const QString i = r.e(10, 0);
            conj(!i.isEmpty() && fromEnd(firstPart(), 2) == i.at(0) ? 5 : 3);
            addThirdPart(p2);
        }
        return addSecondPart(p1), type(2), 10;
    }
    if (ew(p1, r.t(11, 0)) && p2 == r.t(11, 1)) return conj(2), addSecondPart(p2), addThirdPart(p1), type(2), 11;
    if (p2 == r.t(12, 0) && ew(p1, r.t(12, 1))) return addSecondPart(p2), addThirdPart(p1), type(2), conj(3), 12;
    if (p2 == r.t(13, 0) && ew(p1, r.t(13, 1))) {
        const bool active = !entry->entry().endsWith(r.e(13, 0)) &&
                            multiComponentSet(QStringLiteral("nonDeponentSet")).contains(entry->key());
        if (!active) setDeponent();
        return conj(n2), addFourthPart(p1), addAbsentSecondPart(), type(2), 13;
    }
    if (p2 == r.t(14, 0) && ew(p1, r.t(14, 1))) {
        type(2);
        conj(n2);
        if (!entry->deponent() && !firstPartOf(entry->entry()).endsWith(r.e(14, 0)))
            addAbsentSecondPart(), addFourthPart(p1);
        else
            cleanFirstPartEntry(), setDeponent(), addAbsentSecondPart(), addThirdPart(p1);
        return 14;
    }
    if (p2 == r.t(15, 0) && ew(p1, r.t(15, 1)))
        return type(2), conj(n2), cleanFirstPartEntry(), setDeponent(), addAbsentSecondPart(), addThirdPart(p1), 15;
    if (p2 == r.t(16, 0) && ew(p1, r.t(16, 1))) {
        conj(4);
        if (entry->deponent() || firstPartOf(entry->entry()).endsWith(r.e(16, 0)))
            cleanFirstPartEntry(), setDeponent(), addThirdPart(p1);
        else
            addFourthPart(p1);
        return addAbsentSecondPart(), addNote(r.e(16, 1)), type(2), 16;
    }
    if (p2 == r.t(17, 0) && ew(p1, r.t(17, 1))) {
        const bool deponent = entry->deponent() || firstPartOf(entry->entry()).endsWith(r.e(17, 0));
        if (deponent) setDeponent();
        conj(n2);
        addAbsentSecondPart();
        deponent ? addThirdPart(p1) : addFourthPart(p1);
        return type(2), 17;
    }
    if (p2 == r.t(18, 0) && ew(p1, r.t(18, 1))) return addThirdPart(p1), type(2), conj(n2), addAbsentSecondPart(), 18;
    if (p2 == r.t(19, 0) && ew(p1, r.t(19, 1))) return addFourthPart(p1), type(2), conj(n2), addAbsentSecondPart(), 19;
    if (p2 == r.t(20, 0) && ew(p1, r.t(20, 1))) return addSecondPart(p1), type(2), conj(n2), 20;
    if (p2 == r.t(21, 0) && ew(p1, r.t(21, 1)))
        return conj(n2), setDeponent(), type(2), addThirdPart(p1), addAbsentSecondPart(), 21;
    if (p2 == r.t(22, 0) && p1 == r.t(22, 1)) return addSecondPart(p1), type(2), conj(n2), 22;
    if (p2 == r.t(23, 0) && ew(p1, r.t(23, 1))) {
        conj(n2);
        if (!entry->deponent()) addThirdPart(p1), addAbsentSecondPart();
        else addSecondPart(p1);
        return type(2), 23;
    }
    if (p2 == r.t(24, 0) && ew(p1, r.t(24, 1))) return addFourthPart(p1), type(2), conj(n2), addAbsentSecondPart(), 24;
    if (p2 == r.t(25, 0) && ew(p1, r.t(25, 1))) {
        cleanFirstPartEntry();
        appendToHeadword(r.e(25, 0), {p1});
        const QString first = firstPart();
        if (first.endsWith(r.e(25, 1))) type(2);
        else if (first.endsWith(r.e(25, 2))) type(2), entry->setDeponent(true);
        else DSLog("%@ is this a verb?", key);
        return conj(n2), 25;
    }
    if (p2 == r.t(26, 0) && p1 == r.t(26, 1)) {
        conj(n2);
        type(2);
        if (firstPart().endsWith(r.e(26, 0))) setDeponent(), addSecondPart(p1);
        else DSLog("What is this %@", key);
        return 26;
    }
    if (p2 == r.t(27, 0) && (p1 == r.t(27, 1) || p1 == r.t(27, 2) || p1 == r.t(27, 3)))
        return type(2), conj(n2), addSecondPart(p1), 27;
    if (p2 == r.t(28, 0) && (ew(p1, r.t(28, 1)) || ew(p1, r.t(28, 2))))
        return type(2), conj(n2), addThirdPart(p1), addAbsentSecondPart(), 28;
    if (p2 == r.t(29, 0) &&
        (p1 == r.t(29, 1) || p1 == r.t(29, 2) || ew(p1, r.t(29, 3)) || p1 == r.t(29, 4) || p1 == r.t(29, 5))) {
        ew(p1, r.e(29, 0)) ? addFourthPart(p1) : addThirdPart(p1);
        return conj(n2), addAbsentSecondPart(), type(2), 29;
    }
    if (p2 == r.t(30, 0) && ew(p1, r.t(30, 1))) {
        conj(n2);
        addAbsentSecondPart();
        if (!entry->deponent()) addThirdPart(p1);
        return type(2), 30;
    }
    if (ew(p1, r.t(31, 0)) && p2 == r.t(31, 1)) return addFourthPart(p1), type(2), conj(n2), addAbsentSecondPart(), 31;
    if (ew(p1, r.t(32, 0)) && p2 == r.t(32, 1)) return addThirdPart(p1), type(2), conj(n2), 32;
    if (p1 == r.t(33, 0) && p2 == r.t(33, 1)) return addThirdPart(p1), addFourthPart(p2), 33;
    if (p1 == r.t(34, 0) && p2 == r.t(34, 1))
        return type(2), conj(10), addThirdPart(p1), addFourthPart(p2), addAbsentSecondPart(), 34;
    if (ew(p1, r.t(35, 0)) && p2 == r.t(35, 1)) return type(2), conj(n2), addThirdPart(p1), addAbsentSecondPart(), 35;
    if (p1 == r.t(36, 0) && p2 == r.t(36, 1))
        return addThirdPart(p1), addFourthPart(p2), addSecondPart(r.e(36, 0)), type(2), 36;
    if (ew(p1, r.t(37, 0)) && ew(p2, r.t(37, 1))) return appendToHeadword(r.e(37, 0), {p1, p2}), type(3), conj(3), 37;
    if (ew(p1, r.t(38, 0)) && ew(p2, r.t(38, 1))) return addGenitive(fill(r.e(38, 0), {p1, p2})), type(1), conj(3), 38;
    if (p1 == r.t(39, 0)) return alternativeWith(fill(r.e(39, 0), {p2})), 39;
    if (p2 == r.t(40, 0)) return alternativeWith(fill(r.e(40, 0), {p2})), 40;
    if (p1 == r.t(41, 0)) return type(12), addNote(fill(r.e(41, 0), {p1, p2})), 41;
    if (p1 == r.t(42, 0)) {
        type(3);
        appendToHeadword(r.e(42, 0), {p1});
        if (p2 == r.e(42, 1)) appendStringToPrevEntry(p2);
        else checkFor2CompChange(pieces);
        return 42;
    }
    if (p1.startsWith(r.t(43, 0)) && p2 == r.t(43, 1)) return type(1), addGenitive(fill(r.e(43, 1), {p2})), conj(1), 43;
    if (p1 == r.t(44, 0) && ew(p2, r.t(44, 1))) return type(3), appendToHeadword(r.e(44, 0), {p1, p2}), conj(2), 44;
    if (ew(p1, r.t(45, 0)) && ew(p2, r.t(45, 1)))
        return determineConjugation(), addThirdPart(p1), addFourthPart(p2), addAbsentSecondPart(), type(2), 45;
    if (ew(p1, r.t(46, 0)) && p2 == r.t(46, 1)) return conj(4), addThirdPart(p1), addAbsentSecondPart(), type(2), 46;
    if (ew(p1, r.t(47, 0)) && ew(p2, r.t(47, 1)))
        return determineConjugation(), addThirdPart(p1), addFourthPart(p2), addAbsentSecondPart(), type(2), 47;
    if (ew(p1, r.t(48, 0)) && p2 == r.t(48, 1)) return conj(1), addFourthPart(p1), addSecondPart(p2), type(2), 48;
    if ((ew(p1, r.t(49, 0)) && ew(p2, r.t(49, 1))) || (ew(p1, r.t(49, 2)) && ew(p2, r.t(49, 3))))
        return appendToHeadword(r.e(49, 0), {p1, p2}), type(3), conj(2), 49;
    if (ew(p1, r.t(50, 0)) && ew(p2, r.t(50, 1))) return appendToHeadword(r.e(50, 0), {p1, p2}), type(2), conj(8), 50;
    auto eoConjugation = [&] { conj(entry->entry().endsWith(r.e(51, 0)) ? 7 : 4); };
    if (p1 == r.t(51, 0) && p2 == r.t(51, 1)) return eoConjugation(), addSecondPart(p2), addThirdPart(p1), type(2), 51;
    if ((p1 == r.t(52, 0) || p1 == r.t(52, 1)) && p2 == r.t(52, 2))
        return conj(4), addThirdPart(p1), addAbsentSecondPart(), type(2), 52;
    if ((p1 == r.t(53, 0) && p2 == r.t(53, 1)) || (p1 == r.t(53, 2) && p2 == r.t(53, 3)))
        return eoConjugation(), addThirdPart(p1), addFourthPart(p2), addAbsentSecondPart(), type(2), 53;
    if (p1 == r.t(54, 0) && p2 == r.t(54, 1)) return eoConjugation(), addSecondPart(p2), addThirdPart(p1), type(2), 54;
    if (ew(p1, r.t(55, 0)) && ew(p2, r.t(55, 1)))
        return conj(9), addAbsentSecondPart(), addThirdPart(p1), addFourthPart(p2), type(2), 55;
    if (ew(p1, r.t(56, 0)) && p2 == r.t(56, 1))
        return conj(8), addAbsentSecondPart(), addThirdPart(p1), addFourthPart(p2), type(2), 56;
    if (ew(p1, r.t(57, 0)) && ew(p2, r.t(57, 1))) return conj(8), addThirdPart(p1), addSecondPart(p2), type(2), 57;
    if (ew(p1, r.t(58, 0)) && p2 == r.t(58, 1)) return appendToHeadword(r.e(58, 0), {p1, p2}), conj(2), type(9), 58;
    if (p1 == r.t(59, 0) && p2 == r.t(59, 1)) return type(1), addNote(r.e(59, 0)), 59;
    if (ew(p1, r.t(60, 0)) && ew(p2, r.t(60, 1))) {
        conj(11), setDeponent(), addSecondPart(p2), addThirdPart(p1);
        entry->setDeponent(false);
        return type(2), 60;
    }
    if (ew(p1, r.t(61, 0)) && (ew(p2, r.t(61, 1)) || ew(p2, r.t(61, 2))))
        return conj(11), addSecondPart(p2), addThirdPart(p1), type(2), 61;
    if (ew(p1, r.t(62, 0)) && ew(p2, r.t(62, 1))) return type(2), conj(9), addSecondPart(p2), addThirdPart(p1), 62;
    if (p1 == r.t(63, 0) && isANumber(p2))
        return type(2), conj(n2), addAbsentSecondPart(), addThirdPart(r.e(63, 0)), addFourthPart(r.e(63, 1)), 63;
    if ((p1 == r.t(64, 0) || p1 == r.t(64, 1)) && p2 == r.t(64, 2))
        return type(2), conj(3), addSecondPart(p2), addThirdPart(r.e(64, 0)), addFourthPart(r.e(64, 1)), 64;
    if (p1 == r.t(65, 0) && isANumber(p2)) return type(2), conj(n2), addAbsentSecondPart(), addThirdPart(r.e(65, 0)), 65;
    if (ew(p1, r.t(66, 0)) && isANumber(p2)) return type(2), conj(n2), addSecondPart(p1), 66;
    if (p1 == r.t(67, 0) && p2 == r.t(67, 1)) return type(2), conj(2), addSecondPart(p2), addThirdPart(r.e(67, 0)), 67;
    if (p1 == r.t(68, 0) && p2 == r.t(68, 1)) return type(2), conj(3), addSecondPart(p2), addThirdPart(r.e(68, 0)), 68;
    if (p1 == r.t(69, 0) && p2 == r.t(69, 1)) return type(2), conj(12), addSecondPart(p1), addThirdPart(p2), 69;
    if (ew(p1, r.t(70, 0)) && isANumber(p2)) return type(2), conj(n2), addSecondPart(p1), 70;
    if (multiComponentSet(QStringLiteral("twoComponentAppendSet")).contains(p1))
        return appendToHeadword(r.e(71, 0), {p1, p2}), 71;
    // The other two genders written out in full, ending as the headword
    // does ("ŭterlĭbet", "utrălĭbet, utrumlĭbet"): they are its slots.
    if (endsLikeHeadword(p1) && endsLikeHeadword(p2)) return appendToHeadword(QStringLiteral(" -%@ -%@"), {p1, p2}), 73;
    checkFor2CompChange(pieces);
    return 72;
}

int NBSourceLSParser::handle3ComponentIType(const QStringList& pieces) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || pieces.size() != 3) return 0;
    const Rules r{QStringLiteral("3:")};
    const QString trim = QStringLiteral(" .");
    const QString p1 = trimmedOf(pieces.at(0), trim), p2 = trimmedOf(pieces.at(1), trim);
    QString p3 = pieces.at(2);
    const QString dash = multiComponentSet(QStringLiteral("dash")).isEmpty()
                             ? QString()
                             : *multiComponentSet(QStringLiteral("dash")).begin();
    if (!dash.isEmpty()) {
        const QStringList parts = p3.split(dash);
        p3 = parts.first();
        for (qsizetype i = 1; i < parts.size(); ++i) addNote(parts.at(i));
    }
    p3 = trimmedOf(p3, trim);
    auto ew = [](const QString& s, const QString& x) { return s.endsWith(x); };
    auto type = [&](int n) { entry->setType(n); };
    auto conj = [&](int n) { setConjugation(n); };
    const QString key = keyText();

    if (ew(p1, r.t(1, 0)) && ew(p2, r.t(1, 1)) && p3 == r.t(1, 2))
        return type(2), conj(1), addAbsentSecondPart(), addThirdPart(p1), addFourthPart(p2), 1;
    if (ew(p1, r.t(2, 0)) && ew(p2, r.t(2, 1)) && p3 == r.t(2, 2))
        return type(2), conj(1), addThirdPart(p1), addFourthPart(p2), addAbsentSecondPart(), 2;
    if (ew(p2, r.t(3, 0)) && ew(p1, r.t(3, 1)) && p3 == r.t(3, 2))
        return type(2), conj(1), addSecondPart(p2), addFourthPart(p1), 3;
    if (ew(p1, r.t(4, 0)) && ew(p2, r.t(4, 1)) && p3 == r.t(4, 2))
        return type(2), conj(1), addSecondPart(p1), addThirdPart(p2), 4;
    if (p1 == r.t(5, 0) && ew(p3, r.t(5, 1)))
        return type(2), conj(1), addSecondPart(p1), addThirdPart(p2), addFourthPart(p3), 5;
    if (p2 == r.t(6, 0) && ew(p1, r.t(6, 1)) && p3 == r.t(6, 2))
        return type(2), conj(1), addSecondPart(p2), addFourthPart(p1), 6;
    if (p3 == r.t(7, 0) && ew(p2, r.t(7, 1)) && ew(p1, r.t(7, 2)))
        return type(2), conj(1), addSecondPart(p3), addThirdPart(p1), addFourthPart(p2), 7;
    if (ew(p1, r.t(8, 0)) && p2 == r.t(8, 1) && p3 == r.t(8, 2))
        return type(2), setDeponent(), conj(1), addSecondPart(p2), addThirdPart(p1), 8;
    if (p1 == r.t(9, 0) && p2 == r.t(9, 1) && p3 == r.t(9, 2))
        return type(2), setDeponent(), conj(1), addSecondPart(p1), addThirdPart(p2), 9;
    if (p1 == r.t(10, 0) && p2 == r.t(10, 1) && p3 == r.t(10, 2))
        return type(2), setDeponent(), conj(1), addSecondPart(p2), addThirdPart(p1), 10;
    if (p1 == r.t(11, 0) && p2 == r.t(11, 1) && p3 == r.t(11, 2))
        return appendToHeadword(r.e(11, 0), {p2, p1}), type(2), conj(2), 11;
    if (p3 == r.t(12, 0)) {
        conj(2);
        if (p2 == r.e(12, 0)) appendToHeadword(r.e(12, 1), {p1});
        else if (firstPart().endsWith(r.e(12, 2))) setDeponent(), appendToHeadword(r.e(12, 3), {p2, p1});
        else if (p2 == r.e(12, 4)) appendToHeadword(r.e(12, 5), {p2, p1});
        else if (ew(p2, r.e(12, 6)) && ew(p1, r.e(12, 7))) appendToHeadword(r.e(12, 8), {p1, p2});
        else addThirdPart(p1), addFourthPart(p2), addAbsentSecondPart();
        return type(2), 12;
    }
    if (ew(p1, r.t(13, 0)) && p3 == r.t(13, 1) && ew(p2, r.t(13, 2)))
        return type(2), conj(2), addSecondPart(p3), addThirdPart(p1), addFourthPart(p2), 13;
    if (p3 == r.t(14, 0)) {
        conj(p1 == r.e(14, 0) ? 11 : 3);
        auto s = [&](int c, int i) { return r.t(QStringLiteral("14.%1").arg(c), i); };
        if (p2 == s(1, 0)) addAbsentSecondPart(), addThirdPart(p1), addFourthPart(s(1, 1));
        else if (firstPart().endsWith(s(2, 0))) setDeponent(), addSecondPart(p2), addThirdPart(p1);
        else if (ew(p1, s(3, 0))) addSecondPart(p2), addThirdPart(p1);
        else if (ew(p1, s(4, 0)) && ew(p2, s(4, 1))) addSecondPart(p2), addThirdPart(p1);
        else if (ew(p1, s(5, 0)) && ew(p2, s(5, 1))) addThirdPart(p2), addFourthPart(p1), addAbsentSecondPart();
        else if (ew(p1, s(6, 0)) && ew(p2, s(6, 1))) addSecondPart(p1), addFourthPart(p2);
        else if (ew(p2, s(7, 0)) && ew(p1, s(7, 1))) addSecondPart(p2), addFourthPart(p1);
        else if (ew(p2, s(8, 0)) && p1 == s(8, 1)) addSecondPart(p2), addThirdPart(s(8, 2));
        else if (ew(p2, s(9, 0)) && p1 == s(9, 1)) addSecondPart(p2), addThirdPart(s(9, 2)), addFourthPart(s(9, 3));
        else if (ew(p2, s(10, 0)) && p1 == s(10, 1)) addAbsentSecondPart(), addThirdPart(p2), addFourthPart(s(10, 2));
        else if ((ew(p1, s(11, 0)) || ew(p1, s(11, 1))) && ew(p2, s(11, 2)))
            addAbsentSecondPart(), addThirdPart(p1), addFourthPart(p2);
        else {
            addThirdPart(p1), addFourthPart(p2), addAbsentSecondPart();
            if (!(ew(p2, s(12, 0)) || ew(p2, s(12, 1)))) DSLog("%@ IS THIS third cong?", key);
        }
        return type(2), 14;
    }
    if (p1 == r.t(15, 0) && p3 == r.t(15, 1)) {
        conj(firstPart().endsWith(r.e(15, 0)) ? 7 : 4);
        return addFourthPart(p3), addThirdPart(fill(r.e(15, 1), {p1, p2})), addAbsentSecondPart(), type(2), 15;
    }
    if (p1 == r.t(16, 0) && p2 == r.t(16, 1) && p3 == r.t(16, 2)) {
        conj(entry->entry().endsWith(r.e(16, 0)) ? 7 : 4);
        return addSecondPart(p3), addThirdPart(p1), addFourthPart(p2), type(2), 16;
    }
    if (p3 == r.t(17, 0)) {
        conj(4);
        auto s = [&](int c, int i) { return r.t(QStringLiteral("17.%1").arg(c), i); };
        if (p2 == s(1, 0)) addFourthPart(s(1, 1)), addThirdPart(p1), addAbsentSecondPart();
        else if (p1 == s(2, 0) && ew(p2, s(2, 1))) addThirdPart(s(2, 2)), addFourthPart(p2), addAbsentSecondPart();
        else if (ew(p2, s(3, 0))) addAbsentSecondPart(), addSecondPart(p1), addThirdPart(p2);
        else if (!ew(p2, s(4, 0))) {
            if (ew(p1, s(4, 1)) && ew(p2, s(4, 2))) {
                entry->setDeponent(false);
                addSecondPart(p2), addThirdPart(p1);
            } else {
                addAbsentSecondPart(), addThirdPart(p1), addFourthPart(p2);
                if (!(ew(p2, s(4, 3)) && ew(p1, s(4, 4)))) DSLog("%@ IS THIS 4th cong?", entry->entry());
            }
        } else {
            if (p1 == s(5, 1)) addAbsentSecondPart(), addThirdPart(s(5, 2)), addFourthPart(p2);
            else if (p1 == s(5, 3)) setDeponent(), addSecondPart(p1), addThirdPart(p2);
            else if (p1 == s(5, 4)) addSecondPart(p1), addFourthPart(p2);
            else setDeponent(), addAbsentSecondPart(), addThirdPart(fill(s(5, 5), {p1, p2}));
        }
        return type(2), 17;
    }
    if (p1 == r.t(18, 0) && p2 == r.t(18, 1) && p3 == r.t(18, 2))
        return appendToHeadword(r.e(18, 0), {p1, p2, p3}), type(2), conj(3), 18;
    if (ew(p1, r.t(19, 0)) && ew(p2, r.t(19, 1)) && ew(p3, r.t(19, 2)))
        return appendToHeadword(r.e(19, 0), {p3, p1, p2}), type(2), conj(9), 19;
    if (ew(p1, r.t(20, 0)) && p2 == r.t(20, 1) && p3 == r.t(20, 2))
        return conj(1), addAbsentSecondPart(), addThirdPart(p1), addFourthPart(r.e(20, 0)), type(2), 20;
    if (ew(p1, r.t(21, 0)) && ew(p2, r.t(21, 1)) && p3 == r.t(21, 2))
        return addThirdPart(p1), addFourthPart(p2), conj(p3.toInt()), addAbsentSecondPart(), type(2), 21;
    if (p3 == r.t(22, 0) && ew(p1, r.t(22, 1)) && ew(p2, r.t(22, 2)))
        return appendToHeadword(r.e(22, 0), {p3, p1, p2}), type(2), conj(3), 22;
    if (ew(p1, r.t(23, 0)) && ew(p2, r.t(23, 1)) && ew(p3, r.t(23, 2)))
        return appendToHeadword(r.e(22, 0), {p3, p1, p2}), type(2), conj(1), 23;
    if (ew(p1, r.t(24, 0)) && ew(p2, r.t(24, 1)) && p3 == r.t(24, 2))
        return appendToHeadword(r.e(22, 0), {p3, p1, p2}), type(2), conj(4), 24;
    if (ew(p1, r.t(25, 0)) && ew(p3, r.t(25, 1)) && ew(p2, r.t(25, 2)))
        return conj(8), addSecondPart(p2), addThirdPart(p1), addFourthPart(p3), type(2), 25;
    if ((p1 == r.t(26, 0) && (ew(p2, r.t(26, 1)) || ew(p2, r.t(26, 2))) && p3 == r.t(26, 3)) ||
        (p1 == r.t(26, 4) && ew(p2, r.t(26, 5)) && p3 == r.t(26, 6)))
        return conj(1), addSecondPart(p2), addThirdPart(r.e(26, 0)), addFourthPart(r.e(26, 1)), type(2), 26;
    if (ew(p1, r.t(27, 0)) && ew(p2, r.t(27, 1)) && isANumber(p3))
        return type(2), conj(p3.toInt()), addSecondPart(p2), addThirdPart(p1), 27;
    if (p1 == r.t(28, 0)) {
        type(2);
        addThirdPart(r.e(28, 0));
        auto s = [&](int c, int i) { return r.t(QStringLiteral("28.%1").arg(c), i); };
        if (isANumber(p3)) {
            entry->setConjugation(p3.toInt());
            if (ew(p2, s(1, 0)) || ew(p2, s(1, 1))) addFourthPart(p2), addAbsentSecondPart();
            else if (ew(p2, s(1, 2))) addSecondPart(p2);
            else DSLog("%@ unhandled no perf %@", key, p2);
        } else if (ew(p2, s(2, 0))) {
            addFourthPart(p2);
            if (ew(p3, s(2, 1))) addSecondPart(p3), entry->setConjugation(3);
            else if (ew(p3, s(2, 2))) addSecondPart(p3), entry->setConjugation(1);
            else if (ew(p3, s(2, 3))) addSecondPart(p3), entry->setConjugation(4);
            else if (ew(p3, s(2, 4))) addSecondPart(p3), addFourthPart(p2), entry->setConjugation(9);
            else DSLog("%@ unhandled no perf %@", key, p3);
        } else {
            DSLog("%@ unhandled no perf %@", key, p3);
        }
        return 28;
    }
    handle3ComponentExceptions(pieces.join(QLatin1Char(' ')), pieces);
    return 29;
}

void NBSourceLSParser::handle3ComponentExceptions(const QString& joined, const QStringList& pieces) {
    if (checkFor3CompChange(pieces)) return;
    DSLog("%@ itype not handled %@", keyText(), joined);
    writeToPasteBoard(QStringLiteral("@\"%1\",").arg(lastStackString()));
}

int NBSourceLSParser::handle4ComponentIType(const QStringList& pieces) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || pieces.size() != 4) return 0;
    const Rules r{QStringLiteral("4:")};
    const QString trim = QStringLiteral(" .");
    const QString p1 = trimmedOf(pieces.at(0), trim), p2 = trimmedOf(pieces.at(1), trim),
                  p3 = trimmedOf(pieces.at(2), trim), p4 = trimmedOf(pieces.at(3), trim);
    auto ew = [](const QString& s, const QString& x) { return s.endsWith(x); };
    auto type = [&](int n) { entry->setType(n); };
    auto conj = [&](int n) { setConjugation(n); };
    auto rule7 = [&] { conj(1), addSecondPart(p3), addThirdPart(p1), addFourthPart(p2), type(2); };

    if (p1 == r.t(1, 0) && p3 == r.t(1, 1) && p4 == r.t(1, 2))
        return conj(4), appendToHeadword(r.e(1, 0), {p1, p2, p3}), type(2), 1;
    if (ew(p1, r.t(2, 0)) && ew(p2, r.t(2, 1)) && ew(p3, r.t(2, 2)) && p4 == r.t(2, 3))
        return conj(3), addAbsentSecondPart(), addThirdPart(p1), addFourthPart(fill(r.e(2, 0), {p2, p3})), type(2), 2;
    if (ew(p1, r.t(3, 0)) && ew(p2, r.t(3, 1)) && ew(p3, r.t(3, 2)) && p4 == r.t(3, 3))
        return conj(2), addSecondPart(p3), addThirdPart(p1), addFourthPart(p2), type(2), 3;
    if (ew(p1, r.t(4, 0)) && ew(p2, r.t(4, 1)) && ew(p3, r.t(4, 2)) && p4 == r.t(4, 3))
        return conj(4), addAbsentSecondPart(), addThirdPart(fill(r.e(4, 1), {p1, p2})), addFourthPart(p3), type(2), 4;
    if (ew(p1, r.t(5, 0)) && ew(p2, r.t(5, 1)) && ew(p3, r.t(5, 2)) && p4 == r.t(5, 3))
        return conj(4), addSecondPart(p3), addThirdPart(p1), addFourthPart(p2), type(2), 5;
    if (ew(p1, r.t(6, 0)) && ew(p2, r.t(6, 1)) && ew(p3, r.t(6, 2)) && p4 == r.t(6, 3))
        return conj(7), addSecondPart(p2), addThirdPart(p3), addFourthPart(p1), type(2), 6;
    if (p1 == r.t(7, 0) && ew(p2, r.t(7, 1)) && ew(p3, r.t(7, 2)) && p4 == r.t(7, 3)) return rule7(), 7;
    if (p1 == r.t(8, 0) && ew(p2, r.t(8, 1)) && ew(p3, r.t(8, 2)) && p4 == r.t(8, 3))
        return conj(1), addSecondPart(p1), addThirdPart(p2), addFourthPart(p3), type(2), 8;
    if (p1 == r.t(9, 0) && p2 == r.t(9, 1) && ew(p3, r.t(9, 2)) && p4 == r.t(9, 3))
        return conj(1), addSecondPart(p4), addThirdPart(r.e(9, 0)), addFourthPart(p3), type(2), 9;
    if (p1 == r.t(10, 0) && ew(p2, r.t(10, 1)) && ew(p3, r.t(10, 2)) && p4 == r.t(10, 3))
        return conj(3), addSecondPart(p3), addThirdPart(r.e(10, 0)), addFourthPart(p2), type(2), 10;
    if (p1 == r.t(11, 0) && p2 == r.t(11, 1) && ew(p3, r.t(11, 2)) && p4 == r.t(11, 3)) return rule7(), 11;
    if (ew(p1, r.t(12, 0)) && ew(p2, r.t(12, 1)) && ew(p3, r.t(12, 2)) && p4 == r.t(12, 3)) return rule7(), 12;
    if (ew(p1, r.t(13, 0)) && ew(p2, r.t(13, 1)) && ew(p3, r.t(13, 2)) && p4 == r.t(13, 3))
        return conj(5), addSecondPart(p1), addThirdPart(p2), addFourthPart(p3), type(2), 13;
    if (!checkFor4CompChange(pieces)) DSLog("%@ 4 component ITYpe not tested %@", keyText(), pieces.join(QLatin1Char(',')));
    return 14;
}
