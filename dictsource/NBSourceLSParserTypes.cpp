// Part of speech from "pos" elements, the labels that open a sense, and the
// question asked for an entry that ended without a word class.
#include "dictsource/NBSourceLSParser.h"

#include "dictionaries/DictionaryEntry.h"
#include "foundation/StringExtensions.h"

#include "dictsource/LatinSourceRules.h"
#include "morphology/VowelLength.h"

#include <QFile>
#include <QRegularExpression>
#include <QHash>

namespace {

QStringList readDataLines(const QString& name) {
    QFile file(QStringLiteral(":/dictsource/") + name);
    QStringList lines;
    if (!file.open(QIODevice::ReadOnly)) return lines;
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        lines << line;
    }
    return lines;
}

QString trimmedOf(const QString& s, const QString& chars) {
    qsizetype b = 0, e = s.size();
    while (b < e && chars.contains(s.at(b))) ++b;
    while (e > b && chars.contains(s.at(e - 1))) --e;
    return s.mid(b, e - b);
}

struct TypeLabels {
    QList<std::pair<int, QString>> labels;  // row, opening
    struct Pron { bool equals; QString text, note, ret; };
    QList<Pron> pron;
    QStringList nouns, ignoreV, vExempt, buttons, inserts;
};

const TypeLabels& typeLabels() {
    static const TypeLabels t = [] {
        TypeLabels r;
        for (const QString& line : readDataLines(QStringLiteral("LewisShortTypeLabels.txt"))) {
            const QStringList f = line.split(QLatin1Char('\t'));
            const QString& kind = f.at(0);
            // Texts are compared with their runs of white space made one
            // blank, and so are the openings.
            if (kind == u"label" && f.size() >= 3)
                r.labels.append({f.at(1).toInt(), DictionaryXMLParser::collapseWhiteSpace(f.at(2))});
            else if (kind == u"pron" && f.size() >= 5) r.pron.append({f.at(1) == u"equals", f.at(2), f.at(3), f.at(4)});
            else if (kind == u"noun" && f.size() >= 2) r.nouns << f.at(1);
            else if (kind == u"ignorev" && f.size() >= 2) r.ignoreV << f.at(1);
            else if (kind == u"vexempt" && f.size() >= 2) r.vExempt << DictionaryXMLParser::collapseWhiteSpace(f.at(1));
            else if (kind == u"button" && f.size() >= 2) r.buttons << f.at(1);
            else if (kind == u"insert" && f.size() >= 2) r.inserts << f.at(1);
        }
        return r;
    }();
    return t;
}

}  // namespace

namespace {
QString plainLatin(const QString& text);
}

const QList<NBSourceLSParser::PosRow>& NBSourceLSParser::posTable() {
    static const QList<PosRow> rows = [] {
        QList<PosRow> r;
        for (const QString& line : readDataLines(QStringLiteral("LewisShortPosTable.txt"))) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() < 10) continue;
            PosRow row;
            row.piece = f.at(0);
            row.prefix = f.at(1) == u"prefix";
            row.kind = f.at(2) == u"class" ? PosRow::Class : f.at(2) == u"type" ? PosRow::Type : PosRow::None;
            row.code = f.at(3).toInt();
            row.transitivity = f.at(4).toInt();
            row.deponentHeadwords = f.at(5) == u"headwords";
            row.deponentFlag = f.at(5) == u"flag";
            row.conjugation = f.at(6).toInt();
            if (f.at(7).startsWith(u"running:")) row.runningText = f.at(7).mid(8), row.changesRunningText = true;
            if (f.at(7).startsWith(u"headword:")) row.headwordSuffix = f.at(7).mid(9);
            row.note = f.at(8);
            row.secondPart = f.at(9);
            r.append(row);
        }
        return r;
    }();
    return rows;
}

const QSet<QString>& NBSourceLSParser::knownNounSet() {
    static const QSet<QString> s(typeLabels().nouns.begin(), typeLabels().nouns.end());
    return s;
}

const QSet<QString>& NBSourceLSParser::ignoreVSet() {
    static const QSet<QString> s(typeLabels().ignoreV.begin(), typeLabels().ignoreV.end());
    return s;
}

const QStringList& NBSourceLSParser::unknownTypeButtons() { return typeLabels().buttons; }

void NBSourceLSParser::parsePos() {
    QStringList pieces = lastStackString().split(QLatin1Char(','));
    pieces.removeIf([](const QString& p) { return p.isEmpty() || p == u" "; });
    if (pieces.isEmpty()) {
        // A pos element without text says nothing about the entry.
        DSLog("%@ empty pos", keyText());
        return;
    }
    const QString last = pieces.last();
    handle1ComponentPos(last);
    if (pieces.size() != 1) curString().remove(last);
}

void NBSourceLSParser::handle1ComponentPos(const QString& rawPiece) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    const QString piece = trimmedOf(collapseWhiteSpace(rawPiece), QStringLiteral(" .;"));
    if (piece == u"and adv") {
        if (entry->type() == 6) entry->setType(29);
        else if (entry->type() == 3) entry->setType(30);
        else DSLog("%@ what and adverb?", entry->entry());
        return;
    }
    const PosRow* found = nullptr;
    for (const PosRow& row : posTable())
        if (!row.prefix && row.piece == piece) { found = &row; break; }
    if (!found)
        for (const PosRow& row : posTable())
            if (row.prefix && piece.startsWith(row.piece)) { found = &row; break; }
    if (!found) {
        DSLog("%@ 1 comp pos not handed %@", entry->entry(), piece);
        return;
    }
    const PosRow& row = *found;
    if (row.kind == PosRow::Class) setPos(row.code);
    else if (row.kind == PosRow::Type) entry->setType(row.code);
    if (row.deponentHeadwords) setDeponent();
    if (row.transitivity) entry->setTransIntrans(row.transitivity);
    if (row.deponentFlag) entry->setDeponent(true);
    if (row.conjugation) setConjugation(row.conjugation);
    if (row.changesRunningText) curString().replace(piece, row.runningText);
    if (!row.headwordSuffix.isEmpty()) entry->setEntry(entry->entry() + row.headwordSuffix);
    if (row.note == u"=") addNote(piece);
    else if (!row.note.isEmpty()) addNote(row.note);
    if (!row.secondPart.isEmpty()) addSecondPart(row.secondPart);
}

void NBSourceLSParser::retypeAsVerbFromSense(const QString& pos) {
    const DictionaryEntryPtr entry = curEntry();
    static const QRegularExpression verbal(QStringLiteral("^v\\.\\s+(a|n|dep)\\b"));
    if (!entry || !verbal.match(collapseWhiteSpace(pos).trimmed()).hasMatch()) return;
    QStringList slots = entry->entry().split(QStringLiteral(" -"));
    const QString headword = slots.takeFirst();
    if (headword.contains(u' ') || slots.isEmpty()) return;
    // The sense's inflection texts: a conjugation number and a supine.
    int conjugation = 0;
    QString supine;
    for (const QString& text : std::as_const(senseITypes_))
        for (const QString& raw : text.split(u',')) {
            const QString piece = raw.trimmed();
            bool number = false;
            const int n = piece.toInt(&number);
            if (number && n >= 1 && n <= 4) conjugation = n;
            else if (piece.endsWith(QLatin1String("um")) && !piece.contains(u' ')) supine = piece;
        }
    const QString plain = foldLatinString(headword).toLower();
    const QString perfect = foldLatinString(slots.first()).toLower();
    if (conjugation == 0) {
        if (plain.endsWith(QLatin1String("eo")))
            conjugation = perfect == QLatin1String("ii") || perfect == QLatin1String("ivi") ? 7 : 2;
        else if (plain.endsWith(QLatin1String("io"))) conjugation = 4;
        else if (plain.endsWith(u'o')) conjugation = 3;
        else return;
    } else if (conjugation == 3) {
        conjugation = latinsource::conjugationForEreVerb(headword);
    } else if (conjugation == 4 && plain.endsWith(QLatin1String("eo"))) {
        conjugation = 7;
    }
    static const QHash<int, QString> infinitives{{1, QStringLiteral("āre")}, {2, QStringLiteral("ēre")},
                                                 {3, QStringLiteral("ere")}, {4, QStringLiteral("īre")},
                                                 {5, QStringLiteral("ere")}, {7, QStringLiteral("īre")}};
    QString line = headword + QStringLiteral(" -") + infinitives.value(conjugation);
    for (const QString& slot : std::as_const(slots)) line += QStringLiteral(" -") + slot;
    if (!supine.isEmpty() && slots.size() == 1) line += QStringLiteral(" -") + supine;
    entry->setEntry(line);
    entry->setType(DictionaryEntry::Verb);
    entry->setConjugation(conjugation);
    entry->setGender(0);
}

QString NBSourceLSParser::checkForType(const QString& given) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return given;
    const QString text = collapseWhiteSpace(given);
    const QString trim = QStringLiteral("; .,");
    int row = 40;
    QString label;
    for (const auto& [r, opening] : typeLabels().labels) {
        // A sense that is the label alone has lost its final period to the
        // sense's trim ("pron.").
        if (text.startsWith(opening) || (opening.endsWith(u'.') && text == QStringView(opening).chopped(1))) {
            row = r;
            label = opening;
            break;
        }
    }
    const QString rest = text.mid(label.size());
    auto adverb = [&] { if (entry->type() == 0) entry->setType(4); else if (entry->type() == 6) entry->setType(29); };
    auto preposition = [&] { if (entry->type() == 0) entry->setType(6); else if (entry->type() == 4) entry->setType(29); };
    switch (row) {
    case 1: adverb(); return text;
    case 2: adverb(); return trimmedOf(rest, trim);
    case 3:
    case 4: adverb(); return entry->type() == 4 || entry->type() == 29 ? trimmedOf(rest, trim) : text;
    case 5: preposition(); return text;
    case 6: if (entry->type() == 0) entry->setType(9); return text;
    case 7: {
        if (entry->type() == 0) entry->setType(7);
        for (const auto& p : typeLabels().pron) {
            if (p.equals ? text != p.text : !text.startsWith(p.text)) continue;
            if (!p.note.isEmpty()) addNote(p.note);
            if (p.ret == u"rest") return text.mid(p.text.size());
            if (p.ret == u"unchanged") return text;
            const QString after = p.ret.mid(6);
            return text.mid(after.size());
        }
        return text.mid(5);  // after "pron."
    }
    case 8:
    case 9: entry->setType(7); addNote(label); return rest;
    case 10: preposition(); addAblativeCase(); return text;
    case 11:
    case 12:
        preposition();
        if (entry->type() == 6 || entry->type() == 29) row == 11 ? addAccusativeCase() : addAblativeCase();
        return text;
    case 13: adverb(); return text;
    default: break;
    }
    // A verb's label names its class outright: a noun's that an inflection
    // type guessed from an infinitive (ēlargĭor, īri), with no gender to
    // back it, gives way.
    static const QSet<int> verbRows{14, 17, 18, 19, 20, 21, 22, 23, 27, 28, 29, 30, 31, 32};
    if (entry->type() == DictionaryEntry::Noun && entry->gender() == 0 && verbRows.contains(row) && !posSeen_) {
        const QStringList slots = entry->entry().split(QStringLiteral(" -"));
        const QString second = plainLatin(slots.value(1));
        if (plainLatin(slots.first()).endsWith(u'r') && (second.endsWith(QLatin1String("ri")) || second == u"i"))
            entry->setType(0);
    }
    if (entry->type() != 0) return text;
    switch (row) {
    case 14: entry->setType(2); return trimmedOf(rest, trim);
    case 15: entry->setType(9); return trimmedOf(rest, trim);
    case 16: entry->setType(5); return trimmedOf(rest, trim);
    case 17:
    case 20:
        entry->setType(2);
        if (entry->transIntrans() == 0) entry->setTransIntrans(3);
        return trimmedOf(rest, trim);
    case 18: entry->setType(2); return text;
    case 19:
        entry->setType(2);
        if (entry->transIntrans() == 0) entry->setTransIntrans(2);
        entry->setDeponent(true);
        return trimmedOf(rest, trim);
    case 21: entry->setType(2); return text;
    case 22:
        entry->setType(2);
        if (entry->transIntrans() == 0) entry->setTransIntrans(1);
        return rest;
    case 23: entry->setType(2); return text.mid(3);
    case 24: entry->setType(19); return text;
    case 25: entry->setType(1); return text;
    case 26: entry->setType(22); return text;
    case 27: entry->setType(2); return text;
    case 28: entry->setType(2); entry->setDeponent(true); entry->setTransIntrans(1); return text;
    case 29: entry->setType(2); entry->setDeponent(true); return rest;
    case 30:
        entry->setType(2);
        entry->setTransIntrans(2);
        addNote(QStringLiteral("desider."));
        return text.mid(14);
    case 31: entry->setType(2); return text;
    case 32: entry->setType(2); addNote(label); return rest;
    case 33: entry->setType(22); return text;
    case 34: {
        entry->setType(22);
        bool exempt = ignoreVSet().contains(entry->key());
        for (const QString& opening : typeLabels().vExempt) exempt = exempt || text.startsWith(opening);
        if (!exempt)
            DSLog("%@ ? redirect\n%@", entry->key(), text);
        return text;
    }
    case 35: entry->setType(22); return text;
    case 36: entry->setType(1); return text;
    case 37: entry->setType(3); return text;
    case 38:
        entry->setType(2);
        setConjugation(1);
        entry->setDeponent(true);
        addThirdPart(label.left(label.indexOf(QLatin1Char(','))));
        addAbsentSecondPart();
        return text;
    case 39: entry->setType(9); return text;
    default:
        for (const QString& noun : typeLabels().nouns)
            if (text.startsWith(noun)) { entry->setType(1); break; }
        return text;
    }
}

std::optional<QString> NBSourceLSParser::insertPos(const QString& source, const QString& key, int button) {
    const QStringList& inserts = typeLabels().inserts;
    if (button < 1 || button > inserts.size()) return std::nullopt;
    const QString anchor = QStringLiteral("key=\"%1\"").arg(key);
    const qsizetype at = source.indexOf(anchor);
    if (at < 0) return std::nullopt;
    const qsizetype orth = source.indexOf(QStringLiteral("</orth>"), at + anchor.size());
    // Without a headword closing there is no place for the element.
    if (orth < 0) return std::nullopt;
    QString result = source;
    result.insert(orth + 7, inserts.at(button - 1));
    return result;
}


void NBSourceLSParser::checkUnknownType() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    ++statistics_.untypedAlerts;
    const QString key = entry->key();
    const QString source = key.isEmpty() ? QString() : unknownTypeSource();
    const QString anchor = QStringLiteral("key=\"%1\"").arg(key);
    const qsizetype at = source.isEmpty() ? -1 : source.indexOf(anchor);
    // Without the entry in a readable source no answer could be written.
    if (at < 0) {
        DSLog("%@ not changed", key);
        return;
    }
    QString snippet;
    const qsizetype end = source.indexOf(QStringLiteral("</entry"), at + anchor.size());
    if (end >= 0) snippet = source.mid(at + anchor.size(), qMin<qsizetype>(end - at - anchor.size(), 250));
    DeveloperQuestion question;
    question.message = QStringLiteral("%1 type not found").arg(key);
    question.informativeText = makeStringHumanReadable(entryString(at, at + anchor.size(), source));
    question.buttons = unknownTypeButtons();
    question.editableText = QString(snippet).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const DeveloperAnswer answer = developerPrompt()->ask(question);
    const int edit = int(question.buttons.size()) - 1;
    std::optional<QString> changed;
    if (answer.button == edit) {
        QString text = source;
        text.replace(at + anchor.size(), snippet.size(), withLineEndsOf(source, answer.editedText));
        changed = text;
    } else {
        changed = insertPos(source, key, answer.button);
    }
    if (!changed) {
        DSLog("%@ not changed", key);
        return;
    }
    writeUnknownTypeSource(*changed);
}

// ---- The verb's conjugation code, from what the entry gives ----

namespace {

QString plainLatin(const QString& text) {
    QString plain = foldLatinString(text).toLower();
    plain.remove(u'^').remove(u'_').remove(u'-');
    plain.replace(u'j', u'i');
    return plain;
}

}  // namespace

void NBSourceLSParser::settleHeadLine() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    // A later form with a class of its own (bācātus, a, um … bāco, āre;
    // tablīnum, i … tablisso, āre) does not change the entry's.
    const QString head = plainLatin(entry->entry().section(u' ', 0, 0));
    // A deponent's infinitive read as a genitive (hŏrĭor, hori) made no noun.
    const bool deponentHead = head.endsWith(QLatin1String("or")) && entry->gender() == 0;
    if (entry->type() == DictionaryEntry::Verb &&
        ((ownType_ == DictionaryEntry::Noun && !deponentHead) || ownType_ == DictionaryEntry::Adjective ||
         ownType_ == DictionaryEntry::ParticipialAdjective))
        entry->setType(ownType_);
    // fīo, fĭĕri and its compounds: an infinitive, not a genitive.
    if ((entry->type() == 0 || entry->type() == DictionaryEntry::Noun) && entry->gender() == 0 &&
        head.endsWith(QLatin1String("fio")) &&
        std::any_of(headITypeTexts_.begin(), headITypeTexts_.end(),
                    [](const QString& t) { return plainLatin(t).endsWith(QLatin1String("fieri")); })) {
        entry->setType(DictionaryEntry::Verb);
        entry->setConjugation(11);
    }
}

namespace {

// The head's first text that ends with the ending, as a comma component.
QString headComponent(const QStringList& texts, const std::function<bool(const QString&)>& test) {
    for (const QString& text : texts)
        for (const QString& raw : text.split(u','))
            if (test(raw.trimmed())) return raw.trimmed();
    return QString();
}

}  // namespace

void NBSourceLSParser::settleVerbConjugation() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || entry->type() != DictionaryEntry::Verb) return;
    settleVerbLine();
    const QString line = entry->entry();
    QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty()) return;
    const QString head = plainLatin(words.first());
    QStringList parts;
    for (qsizetype i = 1; i < words.size(); ++i) {
        QString w = words.at(i);
        if (w.startsWith(u'-')) w.remove(0, 1);
        if (!w.isEmpty() && w != u"or" && w != u"and") parts << plainLatin(w);
    }
    auto has = [&](const QString& part) { return parts.contains(part); };
    // The irregular verbs and their compounds, told by the headword and
    // the infinitive or perfect the entry gives with it.
    if (head == u"malo") return entry->setConjugation(14);
    if (head == u"nolo" || head.startsWith(QLatin1String("nolo,"))) return entry->setConjugation(13);
    if (head.endsWith(QLatin1String("fio")) && !head.endsWith(QLatin1String("ficio")) &&
        (has(QStringLiteral("fieri")) || parts.isEmpty() || entry->conjugation() == 11 ||
         std::any_of(parts.begin(), parts.end(), [](const QString& p) { return p.endsWith(QLatin1String("fieri")); })))
        return entry->setConjugation(11);
    if (head.endsWith(QLatin1String("eo")) &&
        std::any_of(parts.begin(), parts.end(), [](const QString& p) {
            return p == u"ire" || p == u"ii" || p == u"ivi" || p.endsWith(QLatin1String("ii")) ||
                   p.endsWith(QLatin1String("ivi"));
        }))
        return entry->setConjugation(7);
    // Perfects with no present (ōdi, ōdisse; mĕmĭni, isse): no present stem.
    if (head.endsWith(u'i') && std::any_of(parts.begin(), parts.end(), [](const QString& p) {
            return p == u"isse" || p.endsWith(QLatin1String("isse"));
        }))
        return entry->setConjugation(6);
    if (entry->conjugation() != 0) return;
    // An infinitive the line gives decides the regular conjugations.
    static const QHash<QString, int> infinitives{
        {QStringLiteral("are"), 1}, {QStringLiteral("ari"), 1}, {QStringLiteral("ere"), 3},
        {QStringLiteral("eri"), 2}, {QStringLiteral("ire"), 4}, {QStringLiteral("iri"), 4},
        {QStringLiteral("i"), 3}};
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& raw = words.at(i);
        QString w = raw.startsWith(u'-') ? raw.mid(1) : raw;
        if (w.isEmpty()) continue;
        int code = infinitives.value(plainLatin(w));
        if (w == u"ēre" || w == u"ērī" || w == u"ēri") code = 2;
        if (code == 3) code = latinsource::conjugationForEreVerb(words.first());
        if (code != 0) return entry->setConjugation(code);
    }
    // A deponent's present infinitive given whole (fungor, functus, fungi).
    if (head.endsWith(QLatin1String("or")))
        for (const QString& p : std::as_const(parts))
            if (p.size() > 2 && p == head.left(head.size() - 2) + u'i') return entry->setConjugation(3);
}

void NBSourceLSParser::settleVerbLine() {
    const DictionaryEntryPtr entry = curEntry();
    QString line = entry->entry();
    QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty()) return;
    QString headword = words.first();
    while (headword.endsWith(u',')) headword.chop(1);
    const QString head = plainLatin(headword);
    const QString stem = headword.left(headword.size() - 1);
    const bool bare = words.size() == 1 || words.at(0).endsWith(u',');
    // The irregular verbs of will: their parts are in the remarks, if at all.
    static const QHash<QString, std::pair<QString, int>> willing{
        {QStringLiteral("volo"), {QStringLiteral("velle"), 12}},
        {QStringLiteral("nolo"), {QStringLiteral("nolle"), 13}},
        {QStringLiteral("malo"), {QStringLiteral("malle"), 14}}};
    if (const auto it = willing.constFind(head); it != willing.constEnd() && bare) {
        entry->setEntry(headword + u' ' + it->first + u' ' + stem + QStringLiteral("ŭi"));
        entry->setConjugation(it->second);
        return;
    }
    // A compound of ferō: its infinitive is the prefix's, whatever variant
    // the source marks (ef-fĕro … efferre or ecferre), and its perfect and
    // supine are written in the head's plain text (extŭli, ēlatum).
    if (head.endsWith(QLatin1String("fero")) && head.size() > 4 && entry->conjugation() == 9) {
        const qsizetype f = headword.size() - 4;
        const QString infinitive = headword.left(f) + QStringLiteral("ferre");
        QString perfect, supine;
        static const QRegularExpression parts(QStringLiteral("(\\w+t[ŭu]li),\\s*(\\w+l[āa]tum)"),
                                              QRegularExpression::UseUnicodePropertiesOption);
        for (const auto& child : entry->childList()) {
            const QRegularExpressionMatch m = child ? parts.match(child->entry()) : QRegularExpressionMatch();
            if (m.hasMatch()) {
                perfect = m.captured(1);
                supine = m.captured(2);
                break;
            }
        }
        QStringList slots = line.split(QStringLiteral(" -"));
        if (plainLatin(words.value(1)) != plainLatin(infinitive) && plainLatin(slots.value(1)) != plainLatin(infinitive) &&
            !slots.value(1).contains(u' ')) {
            QString fixed = headword + u' ' + infinitive;
            if (!perfect.isEmpty()) fixed += u' ' + perfect + u' ' + supine;
            else for (qsizetype i = 2; i < slots.size(); ++i) fixed += QStringLiteral(" -") + slots.at(i);
            entry->setEntry(fixed);
        }
        return;
    }
    // Perfects with no present (ōdi, ōdisse; mĕmĭni, isse): the first part
    // is a perfect, with its long ī.
    if (head.endsWith(u'i') &&
        !headComponent(headITypeTexts_, [](const QString& t) { return plainLatin(t).endsWith(QLatin1String("isse")); })
             .isEmpty()) {
        QString first = headword;
        if (first.endsWith(u'i')) first.back() = QChar(u'ī');
        entry->setEntry(first + QStringLiteral(" -isse"));
        entry->setConjugation(6);
        return;
    }
    QStringList slots = line.split(QStringLiteral(" -"));
    // A deponent given its participle and its infinitive (fungor, functus,
    // fungi; nascor, nātus, nasci; hŏrĭor, hori; rētrōgrădĭor, di).
    if (head.endsWith(QLatin1String("or")) && head.size() > 3) {
        const QString base = head.left(head.size() - 2);
        // morior, mori: the -ior verbs of the third drop the i.
        const QString given = base.endsWith(u'i') ? base : base + u'i';
        const QString infinitive = headComponent(headITypeTexts_, [&](const QString& t) {
            const QString p = plainLatin(t);
            return p.size() >= 2 && !p.contains(u' ') && given.endsWith(p) && p != u"ri" &&
                   !p.endsWith(QLatin1String("ari")) && !p.endsWith(QLatin1String("eri")) &&
                   !p.endsWith(QLatin1String("iri"));
        });
        if (!infinitive.isEmpty()) {
            QString participle = headComponent(headITypeTexts_, [](const QString& t) {
                return t.endsWith(QLatin1String("us")) && t.split(QLatin1String(" and ")).size() <= 2 &&
                       !t.contains(QLatin1String(" or ")) && t.count(u' ') <= 2 && (t.count(u' ') == 0 || t.contains(QLatin1String(" and ")));
            });
            participle.replace(QLatin1String(" and "), QLatin1String(" or "));
            if (participle.isEmpty() && slots.size() > 2)
                for (qsizetype i = slots.size() - 1; i >= 2 && participle.isEmpty(); --i)
                    if (slots.at(i).endsWith(QLatin1String("us"))) participle = slots.at(i);
            QString fixed = headword + QStringLiteral(" -ī");
            if (!participle.isEmpty()) {
                const QString whole = latinsource::wholePrincipalPart(headword, participle);
                fixed += whole.isNull() ? QStringLiteral(" -") + participle : u' ' + whole;
            }
            entry->setEntry(fixed);
            entry->setDeponent(true);
            entry->setConjugation(base.endsWith(u'i') ? 5 : 3);
            return;
        }
    }
    // An impersonal's imperfect (ningit, ēbat, nxit) is no principal part;
    // its perfect is written on the head's stem.
    if (head.endsWith(u't') && slots.size() > 2) {
        slots.removeIf([](const QString& s) { return s.endsWith(QLatin1String("bat")); });
        QString fixed = slots.first();
        for (qsizetype i = 1; i < slots.size(); ++i) {
            const QString& s = slots.at(i);
            const qsizetype at = i >= 2 && !s.isEmpty() ? headword.lastIndexOf(s.at(0), headword.size() - 3) : -1;
            fixed += at > 0 && !s.contains(u' ') ? u' ' + headword.left(at) + s : QStringLiteral(" -") + s;
        }
        entry->setEntry(fixed);
        return;
    }
    // An -ēre given to a verb whose present has no e before its o
    // (explendesco, transjungo) is the third conjugation's.
    if (slots.size() > 1 && slots.at(1) == u"ēre" && head.endsWith(u'o') && !head.endsWith(QLatin1String("eo")) &&
        !head.endsWith(QLatin1String("io"))) {
        slots[1] = QStringLiteral("ere");
        entry->setEntry(slots.join(QStringLiteral(" -")));
        entry->setConjugation(latinsource::conjugationForEreVerb(headword));
        return;
    }
    // A remark is never a part (gĕno, ĕre, old form of gigno).
    bool remark = false;
    for (qsizetype i = slots.size() - 1; i >= 1; --i)
        if (slots.at(i).contains(QLatin1String(" form of ")) || slots.at(i).startsWith(QLatin1String("old form"))) {
            addNote(slots.at(i));
            slots.removeAt(i);
            remark = true;
        }
    while (remark && slots.size() > 2 && slots.last().isEmpty()) slots.removeLast();
    if (remark) entry->setEntry(slots.join(QStringLiteral(" -")));
}
