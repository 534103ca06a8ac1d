#include "dictsource/NBSourceXMLParser.h"

#include "dictsource/LatinSourceRules.h"

using latinsource::kEmDash;

namespace {
QSet<QString> makeSet(std::initializer_list<const char16_t*> items) {
    QSet<QString> set;
    for (const char16_t* s : items) set.insert(QString::fromUtf16(s));
    return set;
}

// The pieces of a text split at a separator, without empty pieces and
// pieces that are a single blank.
QStringList piecesOf(const QString& text, QChar separator) {
    QStringList out;
    for (const QString& p : text.split(separator))
        if (!p.isEmpty() && p != QLatin1String(" ")) out << p;
    return out;
}

constexpr const char16_t* kHeaderNames[] = {
    u"xml", u"TEI.2", u"teiHeader", u"fileDesc", u"titleStmt", u"principal", u"respStmt", u"resp", u"name",
    u"funder", u"publicationStmt", u"publisher", u"pubPlace", u"authority", u"availability", u"p", u"item",
    u"list", u"quote", u"sourceDesc", u"biblStruct", u"monogr", u"imprint", u"date", u"idno", u"encodingDesc",
    u"refsDecl", u"state", u"profileDesc", u"langUsage", u"language", u"text", u"div0", u"head", u"body",
    u"superEntry", u"form"};
}  // namespace

NBSourceXMLParser::NBSourceXMLParser() = default;
NBSourceXMLParser::~NBSourceXMLParser() = default;

// ---- Element sets ----

const QSet<QString>& NBSourceXMLParser::ignoreSet() {
    static const QSet<QString> set = [] {
        QSet<QString> s;
        for (const char16_t* n : kHeaderNames) s.insert(QString::fromUtf16(n));
        s.unite(makeSet({u"itype", u"gramGrp", u"emph", u"trans", u"tr", u"etym", u"usg", u"gen", u"pos",
                         u"revisionDesc", u"change", u"pb"}));
        return s;
    }();
    return set;
}

const QSet<QString>& NBSourceXMLParser::ignoreText() {
    static const QSet<QString> set = [] {
        QSet<QString> s;
        for (const char16_t* n : kHeaderNames) s.insert(QString::fromUtf16(n));
        return s;
    }();
    return set;
}

const QSet<QString>& NBSourceXMLParser::captureSet() {
    static const QSet<QString> set = makeSet({u"title", u"author", u"sponsor"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::entrySet() {
    static const QSet<QString> set = makeSet({u"entry", u"form", u"orth"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::formattingSet() {
    static const QSet<QString> set = makeSet({u"emph", u"tr", u"trans"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::conjunctionSet() {
    static const QSet<QString> set = makeSet({u"at", u"quamquam", u"sī quidem", u"ve"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::pregramIgnoreSet() {
    static const QSet<QString> set = makeSet({u"f"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::pregramMeaningSet() {
    static const QSet<QString> set = makeSet({u"sudden, hasty, unexpected, unlooked for",
                                              u"Plur, some, certain, certain ones",
                                              u"(as subst.) quiddam, pron indef"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::pregramNoteSet() {
    static const QSet<QString> set = makeSet(
        {u"(L.)", u"(C., V., O.)", u"P. of 1 nitor", u"(C., V., H., O.)", u"or Syrācūsānus (C.) or Syrācūsius (C.)",
         u"defect. (in use are fātur, fantur, fābor, fābitur; P. perf. fātus; perf. fātus sum or eram; imper. fāre; "
         u"inf. fārī; old, fārier, V",
         u"(V., O.), acc. tigrim (V.), abl. tigrī (V.) or tigride (O., Iu.), plur. tigrēs (V., H., O., Cu.), acc. "
         u"tigrīs (V.) or tigridas (O.), dat. and abl. tigribus (H., O.)",
         u"or Pȳthius (C., H., Pr., Iu.)", u"with comp, late", u"see also codex"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::pregramSplitMeaningSet() {
    static const QSet<QString> set =
        makeSet({u"—As subst n", u"—New, fresh, recent", u"—Plur, some, certain, certain ones",
                 u"—Sing.,  a certain, a certain one, somebody, one, something"});
    return set;
}

// ---- Events ----

void NBSourceXMLParser::reset() {
    DictionaryXMLParser::reset();
    incomplete_ = false;
    language_ = 0;
    curMeaning_.reset();
    iType_ = QString();
    meaningPrefix_ = QString();
    initialSenseLevel_.reset();
    curSenseLevel_ = 0;
    latinExampleText_ = QString();
    headwordGiven_ = false;
    outerEntries_.clear();
    setUnknownTypes(0);
    startResult();
}

QString NBSourceXMLParser::priorStackCaller() const {
    const QStringList& stack = stackList();
    return stack.size() < 2 ? QString() : stack.at(stack.size() - 2);
}

bool NBSourceXMLParser::etymologyStack() const { return priorStackCaller() == QLatin1String("etym"); }

quint8 NBSourceXMLParser::nameFlags(const QString& name) {
    // The reader hands every occurrence of an element name as the same
    // shared text; a slot keeps its own reference, so an address seen again
    // is the same name, and the five sets are asked once per name.
    const quint64 mixed = quint64(quintptr(name.constData())) * 0x9E3779B97F4A7C15ull;
    NameSlot& slot = nameSlots_[size_t(mixed >> 56)];
    if (slot.name.constData() != name.constData() || slot.name.size() != name.size()) {
        slot.name = name;
        slot.flags = (ignoreSet().contains(name) ? IgnoreStart : 0) | (ignoreText().contains(name) ? IgnoreText : 0) |
                     (captureSet().contains(name) ? Capture : 0) | (entrySet().contains(name) ? EntryElement : 0) |
                     (formattingSet().contains(name) ? Formatting : 0);
    }
    return slot.flags;
}

ts::Value NBSourceXMLParser::parseFileAtLocation(const QUrl& url) {
    DictionaryXMLParser::parseFileAtLocation(url);
    finishCutEntry();
    return data();
}

ts::Value NBSourceXMLParser::parseData(const QByteArray& bytes) {
    DictionaryXMLParser::parseData(bytes);
    finishCutEntry();
    return data();
}

void NBSourceXMLParser::settleHeadword() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || headwordGiven_ || !entry->entry().isEmpty() || entry->key().isEmpty()) return;
    entry->setEntry(entry->key());
    headwordGiven_ = true;
    DSLog("An entry with no headword takes its key %@", entry->key());
}

bool NBSourceXMLParser::keepHeadword(const DictionaryEntryPtr& entry) {
    settleHeadword();
    if (entry->entry().isEmpty() && !entry->key().isEmpty()) {
        // Its headword was given and then taken apart to nothing.
        entry->setEntry(entry->key());
        DSLog("An entry with no headword takes its key %@", entry->key());
    }
    if (!entry->entry().isEmpty() && headwordGiven_) return true;
    // Endings alone (" -ae") are no headword either.
    DSLog("An entry with no headword and no key was left out");
    return false;
}

void NBSourceXMLParser::finishCutEntry() {
    // The document broke off inside an entry, or inside entries opened one
    // within another: each keeps what it was given, but is listed only with
    // a headword.
    for (DictionaryEntryPtr entry = curEntry(); entry;) {
        if (!keepHeadword(entry)) {
            auto& all = allEntries();
            all.erase(std::remove(all.begin(), all.end(), entry), all.end());
        }
        entry = nullptr;
        if (!outerEntries_.empty()) {
            entry = outerEntries_.back().first;
            headwordGiven_ = outerEntries_.back().second;
            outerEntries_.pop_back();
        }
        setCurEntry(entry);
    }
}

void NBSourceXMLParser::parserDidStartElement(ts::XMLEventParser&, const QString& name, const QString&,
                                              const QString&, const ts::XMLAttributes& attributes) {
    stackList().append(name);
    const quint8 flags = nameFlags(name);
    // Every handler may add an ending to the headword: the key stands in
    // for a missing one before any of them runs.
    if (!headwordGiven_ && !(flags & EntryElement)) settleHeadword();
    if (flags & IgnoreStart) return;
    if (name == QLatin1String("entry")) {
        auto entry = DictionaryEntry::make();
        const QString key = attributes.value(QStringLiteral("key"));
        if (!key.isNull()) entry->setKey(key);
        if (const DictionaryEntryPtr outer = curEntry()) outerEntries_.emplace_back(outer, headwordGiven_);
        setCurEntry(entry);
        allEntries().push_back(entry);
        headwordGiven_ = false;
        curSenseLevel_ = 0;
        language_ = 0;
        incomplete_ = false;
        return;
    }
    if (flags & (Capture | EntryElement)) return;
    if (name == QLatin1String("sense")) {
        const QString level = attributes.value(QStringLiteral("level"));
        if (!level.isNull()) {
            curSenseLevel_ = level.toInt();
            if (!initialSenseLevel_) initialSenseLevel_ = curSenseLevel_;
        }
        return;
    }
    if (name == QLatin1String("foreign")) {
        startForeignWithAttributes(attributes);
        return;
    }
    if (!firstUnknownElement(name)) return;
    QStringList pairs;
    for (const auto& [k, v] : attributes) pairs << k + QStringLiteral(" = ") + v;
    DSLog("%@:\n%@", name, pairs.join(QLatin1Char('\n')));
}

void NBSourceXMLParser::parserFoundCharacters(ts::XMLEventParser&, const QString& characters) {
    if (stackList().isEmpty()) return;
    const QString& top = stackList().constLast();
    if (nameFlags(top) & IgnoreText) return;
    if (top == QLatin1String("foreign")) {
        if (latinExampleText_.isNull()) latinExampleText_ = characters;
        else latinExampleText_ += characters;
        return;
    }
    curString() += characters;
}

void NBSourceXMLParser::parserDidEndElement(ts::XMLEventParser&, const QString& name, const QString&,
                                            const QString&) {
    const quint8 flags = nameFlags(name);
    if (name == QLatin1String("entry")) {
        const DictionaryEntryPtr entry = curEntry();
        // An empty headword cannot be looked up or listed: the key stands
        // in when there is one, otherwise the entry is left out.
        bool keep = entry && keepHeadword(entry);
        if (keep) {
            if (isRecalcitrant(entry->entry())) parseRecalcitrants();
            guessEntryType(entry);
            if (!iType_.isNull()) {
                if (iTypeDeleteSet().contains(iType_)) {
                    // The entry was appended when it started and is
                    // normally still the last one.
                    auto& all = allEntries();
                    if (!all.empty() && all.back() == entry) all.pop_back();
                    else all.erase(std::remove(all.begin(), all.end(), entry), all.end());
                } else if (iTypeAppendSet().contains(iType_)) {
                    entry->setEntry(entry->entry() + QStringLiteral(" -") + iType_);
                    if (iType_ == QLatin1String("isse")) entry->setType(DictionaryEntry::Verb);
                }
            }
            if (entry->type() == DictionaryEntry::Verb) {
                latinsource::finishVerbLine(entry);
            }
            if (entry->type() == 0) {
                for (const auto& child : entry->childList()) {
                    if (!child) continue;
                    logToDictionary(child->type() == DictionaryEntry::Meaning ? child->entry() + QStringLiteral("**")
                                                                              : child->entry());
                }
                setUnknownTypes(unknownTypes() + 1);
            }
            const qsizetype depth = treeDepth(entry);
            if (depth > kMaxEntryDepth) {
                DSLog("%@ is nested %li levels deep, deeper than a dictionary file holds; it was left out",
                      entry->entry(), qint64(depth));
                keep = false;
            }
        }
        if (entry && !keep) {
            auto& all = allEntries();
            all.erase(std::remove(all.begin(), all.end(), entry), all.end());
        }
        setCurEntry(nullptr);
        if (!outerEntries_.empty()) {
            setCurEntry(outerEntries_.back().first);
            headwordGiven_ = outerEntries_.back().second;
            outerEntries_.pop_back();
        }
        curSenseLevel_ = 0;
        iType_ = QString();
        meaningPrefix_ = QString();
        initialSenseLevel_.reset();
        latinExampleText_ = QString();
        curMeaning_.reset();
        incomplete_ = false;
    } else if (name == QLatin1String("foreign")) {
        const bool inEtym = etymologyStack();
        bool place = true;
        if (language_ == 2) {
            const QString greek = ts::RKXMLFileParser::convertBetacode(latinExampleText_);
            if (inEtym) {
                if (rawString().isEmpty()) setCurString(greek);
                else curString() += QLatin1Char(' ') + greek;
                addEtymology(rawString());
            } else {
                addNote(greek);
            }
            latinExampleText_ = QString();
        } else if (inEtym) {
            latinExampleText_ = QString();
            clearCurString();
            language_ = 0;
            place = false;
        }
        if (place) {
            const DictionaryEntryPtr entry = curEntry();
            if (entry && rawString().startsWith(u" , to give vagueness or moderation to an assertion")) {
                entry->removeChild(entry->lastChild());
                curMeaning_ = entry->lastChild();
                if (curMeaning_) curMeaning_->setEntry(curMeaning_->entry() + rawString());
                clearCurString();
            }
            addExample(latinExampleText_, true, curMeaning_);
            latinExampleText_ = QString();
            clearCurString();
            language_ = 0;
        }
    } else if (!rawString().isEmpty()) {
        const QString text = rawString();
        if (flags & Capture) setStoredValue(name, ts::Value(text));
        else if (name == QLatin1String("itype")) parseIType();
        else if (name == QLatin1String("orth")) {
            insertOrthography();
            if (curEntry() && !curEntry()->entry().isEmpty()) headwordGiven_ = true;
        }
        else if (flags & Formatting) {
        } else if (name == QLatin1String("etym")) addEtymology(text);
        else if (name == QLatin1String("usg")) parseUsage();
        else if (name == QLatin1String("gen")) setGender(text);
        else if (name == QLatin1String("pos")) parsePos(text);
        else if (name == QLatin1String("gramGrp")) parseGramGrp(text);
        else if (name == QLatin1String("sense")) {
            if (curMeaning_) finishExample(text);
            else parseSense();
            curMeaning_.reset();
        } else if (!(flags & IgnoreText)) {
            DSLog("%@ %@ %@", curEntry() ? curEntry()->entry() : QString(), name, text);
        }
    }
    if (!(flags & Formatting)) clearCurString();
    if (!stackList().isEmpty()) stackList().removeLast();
}

qsizetype NBSourceXMLParser::treeDepth(const DictionaryEntryPtr& root) {
    // Walked without recursion: the tree being measured may be deeper than
    // the stack would like.
    qsizetype deepest = 0;
    std::vector<std::pair<const DictionaryEntry*, qsizetype>> stack;
    if (root) stack.emplace_back(root.get(), 1);
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        deepest = std::max(deepest, depth);
        for (const auto& child : node->childList())
            if (child) stack.emplace_back(child.get(), depth + 1);
    }
    return deepest;
}

// ---- Text before a foreign element ----

void NBSourceXMLParser::startForeignWithAttributes(const ts::XMLAttributes& attributes) {
    const QString lang = attributes.value(QStringLiteral("lang"));
    if (lang.isNull()) language_ = 0;
    else if (lang == QLatin1String("la")) language_ = 1;
    else if (lang == QLatin1String("greek")) language_ = 2;
    else {
        DSLog("Language = %@", lang);
        language_ = 0;
    }
    const DictionaryEntryPtr entry = curEntry();
    const QString headword = entry ? entry->entry() : QString();
    const QString text = rawString();
    if (entry && headword == QLatin1String("bonus -a -um") &&
        text.contains(u", better; as sup. optimus 2 AP-, OP-, best:")) {
        if (auto node = entry->findEntryWithString(QStringLiteral("as comp. in use melior, ōris cf"))) {
            node->setEntry(QStringLiteral("as comp. in use melior, ōris cf μᾶλλον, better"));
            node->promoteEntry();
            node->setType(DictionaryEntry::Note);
        }
        entry->removeChild(entry->lastChild());
        addNote(QStringLiteral("as sup. optimus 2 AP-, OP-, best"));
        if (auto good = entry->findEntryWithString(QStringLiteral("good"))) {
            if (auto parent = good->parent()) parent->removeChild(good);
            entry->addChild(good);
        }
        return;
    }
    if ((headword == u"edō" && text.contains(u"ēst for edit")) ||
        (headword == u"īnsāniō" && text.contains(u"(imperf:")))
        return;
    if (stackList().size() >= 2) {
        const QString parent = priorStackCaller();
        if (parent == QLatin1String("gramGrp")) {
            if (entry && headword == u"porrigō") entry->setEntry(QStringLiteral("porrigō1"));
            else parsePreGramGroup();
            clearCurString();
            return;
        }
        if (parent == QLatin1String("etym")) return;
    }
    const QString trimmedText = trimmed(text, junkCharSet());
    if (headword == u"admisceō" && text.contains(u"(mīstus), ēre, to add so as to form")) {
        setCurString(QStringLiteral("to add so as to form a mixture, mix with, admix"));
        parseSense();
        return;
    }
    if (headword == u"Īlium") return;
    if (text == QLatin1String("  with the predic., suddenly, unexpectedly: ")) {
        if (curMeaning_) curMeaning_->setEntry(curMeaning_->entry() + QLatin1Char(' ') + trimmedText);
        return;
    }
    const bool dash = trimmedText.startsWith(QLatin1Char('-')) || trimmedText.startsWith(kEmDash);
    if ((trimmedText.isEmpty() || !dash) && curMeaning_) {
        finishExample(text);
        return;
    }
    parseSense();
}

void NBSourceXMLParser::parsePreGramGroup() {
    const QStringList pieces = piecesOf(rawString(), kEmDash);
    if (pieces.isEmpty()) return;
    const DictionaryEntryPtr entry = curEntry();
    const QString headword = entry ? entry->entry() : QString();
    const QString first = trimmed(pieces.first(), u",. *=:");
    if (!first.isEmpty()) {
        if (pregramIgnoreSet().contains(first)) {
        } else if (pregramMeaningSet().contains(first)) {
            if (first == u"(as subst.) quiddam, pron indef") {
                if (entry) entry->setEntry(QStringLiteral("quīdam quaedam quoddam"));
                addNote(QStringLiteral("(as subst.) quiddam"));
                addNote(QStringLiteral("pron indef"));
                if (entry) entry->setType(DictionaryEntry::Pronoun);
            } else {
                addSense(first);
            }
        } else if (pregramNoteSet().contains(first)) {
            if (headword == QLatin1String("for")) {
                treatedSet().insert(headword);
                entry->setEntry(QStringLiteral("for fārī fātus"));
                entry->setType(DictionaryEntry::Verb);
                entry->setConjugation(1);
            } else if (headword == u"nīxus") {
                entry->setType(DictionaryEntry::Participle);
                addNote(first);
                addNote(QStringLiteral("Plur. as subst: Nīxī m"));
            } else if (first == QLatin1String("with comp, late")) {
                addNote(QStringLiteral("with comp"));
                addSense(QStringLiteral("late"));
            } else {
                addNote(first);
            }
        } else {
            finishExample(first);
        }
    }
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QString piece = trimmed(pieces.at(i), u",. *=:");
        if (piece.isEmpty()) continue;
        const QString dashed = kEmDash + piece;
        if (pregramSplitMeaningSet().contains(dashed)) addSense(dashed);
    }
}

void NBSourceXMLParser::parseUsage() {
    QString text = rawString();
    if (text.startsWith(QLatin1Char(';'))) {
        text.remove(0, 1);
        setCurString(text);
        addExample(text, false, curMeaning_);
    } else if (!curMeaning_) {
        parseSense();
    } else {
        finishExample(text);
    }
}
