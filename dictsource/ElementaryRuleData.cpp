#include "dictsource/ElementaryRuleData.h"

#include "app/logging/LGLog.h"

#include <QFile>

namespace elementarydata {

namespace {

struct OpName {
    const char* name;
    Step::Op op;
    const char* args;  // one letter per argument: t text, n number
};

constexpr OpName kOps[] = {
    {"line", Step::Line, "t"},
    {"append", Step::Append, "t"},
    {"type", Step::Type, "n"},
    {"conjugation", Step::Conjugation, "n"},
    {"declension", Step::Conjugation, "n"},
    {"gender", Step::Gender, "n"},
    {"case", Step::Case, "n"},
    {"deponent", Step::Deponent, ""},
    {"note", Step::Note, "t"},
    {"note-key", Step::NoteKey, ""},
    {"note-argument", Step::NoteArgument, ""},
    {"notes-of-argument", Step::NotesOfArgument, "t"},
    {"sense", Step::Sense, "t"},
    {"parse-sense", Step::ParseSense, "t"},
    {"sub-sense", Step::SubSense, "t"},
    {"etymology", Step::Etymology, "t"},
    {"redirect", Step::Redirect, "t"},
    {"redirect-key", Step::RedirectKey, ""},
    {"remove-all", Step::RemoveAll, ""},
    {"remove-first", Step::RemoveFirst, ""},
    {"remove-last", Step::RemoveLast, ""},
    {"remove-first-meaning", Step::RemoveFirstMeaning, ""},
    {"remove-node", Step::RemoveNode, "t"},
    {"cut-first-meaning-after", Step::CutFirstMeaningAfter, "t"},
    {"take-first-meaning", Step::TakeFirstMeaning, ""},
    {"add-held-children", Step::AddHeldChildren, ""},
    {"hold-last", Step::HoldLast, ""},
    {"add-held", Step::AddHeld, ""},
    {"retext-last", Step::RetextLast, "t"},
    {"retext-node", Step::RetextNode, "tt"},
    {"treated", Step::Treated, ""},
    {"new-entry", Step::NewEntry, "t"},
    {"when-line", Step::WhenLine, "t"},
    {"otherwise", Step::Otherwise, ""},
    {"only-argument", Step::OnlyArgument, "t"},
    {"unfinished", Step::Unfinished, ""},
};

struct Token {
    bool quoted = false;
    QString text;
};

// Splits the rest of a line into quoted texts and bare words; false with a
// reason on an unterminated quote or an unknown escape.
bool tokenize(QStringView s, QList<Token>& out, QString& why) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        if (s[i] == u' ' || s[i] == u'\t') {
            ++i;
            continue;
        }
        Token t;
        if (s[i] == u'"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = s[i];
                if (c == u'\\') {
                    if (i + 1 >= n) break;
                    const QChar e = s[i + 1];
                    if (e == u'"') t.text += u'"';
                    else if (e == u'n') t.text += u'\n';
                    else if (e == u'\\') t.text += u'\\';
                    else {
                        why = QStringLiteral("unknown escape \\%1").arg(e);
                        return false;
                    }
                    i += 2;
                    continue;
                }
                if (c == u'"') {
                    closed = true;
                    ++i;
                    break;
                }
                t.text += c;
                ++i;
            }
            if (!closed) {
                why = QStringLiteral("unterminated quoted text");
                return false;
            }
            if (i < n && s[i] != u' ' && s[i] != u'\t') {
                why = QStringLiteral("text after a closing quote");
                return false;
            }
        } else {
            while (i < n && s[i] != u' ' && s[i] != u'\t') t.text += s[i++];
        }
        out << t;
    }
    return true;
}

}  // namespace

bool Row::unfinished() const { return steps.size() == 1 && steps.first().op == Step::Unfinished; }

const Row* Table::find(const QString& key) const {
    if (mayHold(key)) {
        const auto it = exact.constFind(key);
        if (it != exact.constEnd()) return &rows.at(*it);
    }
    for (qsizetype i : affixRows) {
        const Row& r = rows.at(i);
        if (key.size() >= r.keys.at(0).size() + r.keys.at(1).size() && key.startsWith(r.keys.at(0)) &&
            key.endsWith(r.keys.at(1)))
            return &r;
    }
    return nullptr;
}

QSet<QString> Table::keys() const {
    QSet<QString> s;
    for (auto it = exact.constBegin(); it != exact.constEnd(); ++it) s.insert(it.key());
    return s;
}

void parseRuleText(const QString& fileName, const QString& text, Tables& into, QStringList& errors) {
    Table* table = nullptr;
    Row* row = nullptr;
    QString tableName;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype ln = 0; ln < lines.size(); ++ln) {
        QString raw = lines.at(ln);
        if (raw.endsWith(QLatin1Char('\r'))) raw.chop(1);
        auto fail = [&](const QString& why) { errors << QStringLiteral("%1:%2: %3").arg(fileName).arg(ln + 1).arg(why); };
        const QString t = raw.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char('#'))) continue;
        if (t.startsWith(QLatin1Char('['))) {
            if (!t.endsWith(QLatin1Char(']')) || t.size() < 3) {
                fail(QStringLiteral("a table name is written [name]"));
                table = nullptr;
                continue;
            }
            tableName = t.mid(1, t.size() - 2);
            table = &into[tableName];
            row = nullptr;
            continue;
        }
        if (t.startsWith(QLatin1Char('='))) {
            row = nullptr;
            if (!table) {
                fail(QStringLiteral("a row before any [table]"));
                continue;
            }
            const bool affix = t.startsWith(QLatin1String("=~"));
            QList<Token> tokens;
            QString why;
            if (!tokenize(QStringView(t).mid(affix ? 2 : 1), tokens, why)) {
                fail(why);
                continue;
            }
            QStringList keys;
            bool ok = !tokens.isEmpty();
            for (const Token& k : tokens) ok = ok && k.quoted, keys << k.text;
            if (!ok || (affix && keys.size() != 2)) {
                fail(affix ? QStringLiteral("=~ takes a quoted beginning and a quoted end")
                           : QStringLiteral("= takes one or more quoted keys"));
                continue;
            }
            bool duplicate = false;
            for (const QString& k : keys)
                if (!affix && table->exact.contains(k)) {
                    fail(QStringLiteral("key \"%1\" already in [%2]").arg(k, tableName));
                    duplicate = true;
                }
            if (duplicate) continue;
            Row r;
            r.keys = keys;
            r.affix = affix;
            r.line = int(ln + 1);
            table->rows.append(r);
            const qsizetype index = table->rows.size() - 1;
            if (affix) table->affixRows << index;
            else
                for (const QString& k : keys) {
                    table->exact.insert(k, index);
                    if (k.isEmpty()) table->emptyKey = true;
                    else table->keyShapes[size_t(k.size() & 63)] |= 1ull << (k.at(0).unicode() & 63);
                }
            row = &table->rows.last();
            continue;
        }
        // A step.
        if (!row) {
            fail(QStringLiteral("a step outside a row"));
            continue;
        }
        const qsizetype space = t.indexOf(QLatin1Char(' '));
        const QString name = space < 0 ? t : t.left(space);
        const OpName* op = nullptr;
        for (const OpName& o : kOps)
            if (name == QLatin1String(o.name)) op = &o;
        if (!op) {
            fail(QStringLiteral("unknown step \"%1\"").arg(name));
            continue;
        }
        QList<Token> args;
        QString why;
        if (space >= 0 && !tokenize(QStringView(t).mid(space + 1), args, why)) {
            fail(why);
            continue;
        }
        const QString signature = QString::fromLatin1(op->args);
        bool ok = args.size() == signature.size();
        Step step;
        step.op = op->op;
        int texts = 0;
        for (qsizetype a = 0; ok && a < args.size(); ++a) {
            if (signature.at(a) == u't') {
                ok = args.at(a).quoted;
                (texts++ == 0 ? step.text : step.text2) = args.at(a).text;
            } else {
                step.number = args.at(a).text.toInt(&ok);
                ok = ok && !args.at(a).quoted;
            }
        }
        if (!ok) {
            QStringList want;
            for (QChar c : signature) want << (c == u't' ? QStringLiteral("a quoted text") : QStringLiteral("a number"));
            fail(QStringLiteral("%1 takes %2").arg(name, want.isEmpty() ? QStringLiteral("nothing") : want.join(QLatin1String(", "))));
            continue;
        }
        row->steps.append(step);
    }
}

void parseTextSets(const QString& fileName, const QString& text, QHash<QString, QSet<QString>>& into,
                   QStringList& errors) {
    QString current;
    bool open = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype ln = 0; ln < lines.size(); ++ln) {
        QString raw = lines.at(ln);
        if (raw.endsWith(QLatin1Char('\r'))) raw.chop(1);
        auto fail = [&](const QString& why) { errors << QStringLiteral("%1:%2: %3").arg(fileName).arg(ln + 1).arg(why); };
        if (raw.isEmpty() || raw.startsWith(QLatin1Char('#'))) continue;
        if (raw.startsWith(QLatin1Char('['))) {
            if (!raw.endsWith(QLatin1Char(']')) || raw.size() < 3) {
                fail(QStringLiteral("a set name is written [name]"));
                open = false;
                continue;
            }
            current = raw.mid(1, raw.size() - 2);
            into[current];
            open = true;
            continue;
        }
        if (!open) {
            fail(QStringLiteral("a text before any [set]"));
            continue;
        }
        QList<Token> tokens;
        QString why;
        if (!raw.startsWith(QLatin1Char('"')) || !tokenize(raw, tokens, why) || tokens.size() != 1) {
            fail(why.isEmpty() ? QStringLiteral("one quoted text a line") : why);
            continue;
        }
        into[current].insert(tokens.first().text);
    }
}

namespace {
struct Bundled {
    Tables tables;
    QStringList errors;
};

const Bundled& bundled() {
    static const Bundled b = [] {
        Bundled r;
        for (const char* name : {"ElementaryFixedResults.txt", "ElementaryRecalcitrants.txt"}) {
            QFile file(QStringLiteral(":/dictsource/") + QLatin1String(name));
            if (!file.open(QIODevice::ReadOnly)) {
                r.errors << QStringLiteral("%1: cannot be read").arg(QLatin1String(name));
                continue;
            }
            parseRuleText(QLatin1String(name), QString::fromUtf8(file.readAll()), r.tables, r.errors);
        }
        for (const QString& e : r.errors)
            LGLog::logMessage(false, e, 3, 1, 0, __FILE__, Q_FUNC_INFO, quint64(__LINE__), nullptr);
        return r;
    }();
    return b;
}
}  // namespace

const Tables& bundledTables() { return bundled().tables; }
const QStringList& bundledErrors() { return bundled().errors; }

const Table& table(const QString& name) {
    static const Table empty;
    const auto it = bundledTables().constFind(name);
    return it == bundledTables().constEnd() ? empty : *it;
}

}  // namespace elementarydata
