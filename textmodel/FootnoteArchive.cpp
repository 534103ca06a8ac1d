#include "FootnoteArchive.h"

#include "app/logging/LGLog.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PropertyList.h"

#include <deque>
#include <set>

namespace FootnoteArchive {

namespace {

const QString kObjects = QStringLiteral("$objects");
const QString kTop = QStringLiteral("$top");
const QString kRoot = QStringLiteral("root");
const QString kKeys = QStringLiteral("NS.keys");
const QString kValues = QStringLiteral("NS.objects");

// Objects of an archive are flat (a dictionary of references, an array of
// references); anything deeper is left as it is.
constexpr int kMaxDepth = 32;

struct Opened {
    ts::Value plist;
    quint64 root = 0;
};

bool isReference(const ts::Value& v, size_t count) { return v.isUid() && v.toUid().value < count; }

// The archive's property list when it is a keyed archive whose root is a
// dictionary with as many key as value references.
bool open(const QByteArray& data, Opened& out) {
    ts::PlistResult r = ts::PropertyList::read(data);
    if (!r.ok() || !r.value.isDictionary()) return false;
    const ts::Value& objects = r.value[kObjects];
    const ts::Value& root = r.value[kTop][kRoot];
    if (!objects.isArray() || !isReference(root, objects.array().size())) return false;
    const size_t count = objects.array().size();
    const ts::Value& dictionary = objects.array()[root.toUid().value];
    const ts::Value& keys = dictionary[kKeys];
    const ts::Value& values = dictionary[kValues];
    if (!keys.isArray() || !values.isArray() || keys.array().size() != values.array().size()) return false;
    for (const auto* list : {&keys.array(), &values.array()})
        for (const ts::Value& v : *list)
            if (!isReference(v, count)) return false;
    out.root = root.toUid().value;
    out.plist = std::move(r.value);
    return true;
}

template <class F> void forEachReference(const ts::Value& v, F&& f, int depth = 0) {
    if (v.isUid()) f(v.toUid().value);
    if (depth >= kMaxDepth) return;
    if (v.isArray())
        for (const ts::Value& e : v.array()) forEachReference(e, f, depth + 1);
    else if (v.isDictionary())
        for (const auto& [k, e] : v.dictionary()) forEachReference(e, f, depth + 1);
}

template <class F> ts::Value mapReferences(const ts::Value& v, F&& f, int depth = 0) {
    if (v.isUid()) return ts::Value(ts::Uid{f(v.toUid().value)});
    if (depth >= kMaxDepth) return v;
    if (v.isArray()) {
        ts::ValueArray out;
        out.reserve(v.array().size());
        for (const ts::Value& e : v.array()) out.push_back(mapReferences(e, f, depth + 1));
        return out;
    }
    if (v.isDictionary()) {
        ts::ValueDictionary out;
        for (const auto& [k, e] : v.dictionary()) out.emplace(k, mapReferences(e, f, depth + 1));
        return out;
    }
    return v;
}

// Every object reachable from the entry's key and value, renumbered.
KeptEntry keep(const ts::ValueArray& objects, quint64 key, quint64 value, const QString& name) {
    std::map<quint64, quint64> local;
    std::vector<quint64> order;
    std::deque<quint64> queue;
    auto visit = [&](quint64 uid) {
        if (uid == 0 || uid >= objects.size() || local.count(uid)) return;
        local[uid] = order.size() + 1;
        order.push_back(uid);
        queue.push_back(uid);
    };
    visit(key);
    visit(value);
    while (!queue.empty()) {
        const quint64 uid = queue.front();
        queue.pop_front();
        forEachReference(objects[uid], visit);
    }
    auto renumber = [&](quint64 uid) -> quint64 {
        auto it = local.find(uid);
        return it == local.end() ? 0 : it->second;
    };
    KeptEntry kept;
    kept.key = name;
    kept.objects.reserve(order.size());
    for (quint64 uid : order) kept.objects.push_back(mapReferences(objects[uid], renumber));
    kept.keyRef = renumber(key);
    kept.valueRef = renumber(value);
    return kept;
}

QString keyText(const ts::Value& key) {
    if (key.isString()) return key.toString();
    if (key.isInteger()) return QString::number(key.toInt64());
    return QString();
}

}  // namespace

// Decodes one kept entry's value on its own: an archive of nothing but the
// objects the entry reaches, so that damage elsewhere in the archive, or in
// another entry, does not touch it.
ts::Value decodeEntry(const KeptEntry& entry, const QStringList& allowedClasses, QString& error) {
    ts::ValueArray objects;
    objects.reserve(entry.objects.size() + 1);
    objects.push_back(QStringLiteral("$null"));
    objects.insert(objects.end(), entry.objects.begin(), entry.objects.end());
    ts::ValueDictionary archive{{QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver")},
                                {QStringLiteral("$version"), ts::Value(qint64(100000))},
                                {kTop, ts::ValueDictionary{{kRoot, ts::Value(ts::Uid{entry.valueRef})}}},
                                {kObjects, std::move(objects)}};
    const QByteArray bytes = ts::PropertyList::writeBinary(ts::Value(std::move(archive)), &error);
    if (bytes.isEmpty()) return {};
    return ts::KeyedUnarchiver::unarchive(bytes, allowedClasses, &error);
}

SplitResult split(const QByteArray& data, const QStringList& allowedClasses) {
    SplitResult result;
    Opened archive;
    if (!open(data, archive)) return result;
    const ts::ValueArray& objects = archive.plist[kObjects].array();
    const ts::Value& dictionary = objects[archive.root];
    const ts::ValueArray& keys = dictionary[kKeys].array();
    const ts::ValueArray& values = dictionary[kValues].array();

    // Objects shared by many entries are copied for each; past this many
    // copies in all the archive is kept whole instead.
    const quint64 budget = 100000 + 8 * quint64(objects.size());
    quint64 copied = 0;
    std::vector<KeptEntry> entries;
    entries.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        const quint64 keyRef = keys[i].toUid().value;
        entries.push_back(keep(objects, keyRef, values[i].toUid().value, keyText(objects[keyRef])));
        copied += entries.back().objects.size();
        if (copied > budget) {
            TSLogError("The footnotes share too much to be read one by one; they are kept as they were");
            return result;
        }
    }
    result.isArchive = true;
    for (KeptEntry& entry : entries) {
        if (entry.key.isNull()) {
            TSLogError("A footnote is stored under a key that is not a string; it is kept as it was");
            result.kept.push_back(std::move(entry));
            continue;
        }
        QString error;
        const ts::Value v = decodeEntry(entry, allowedClasses, error);
        if (auto note = v.toObjectAs<FootnoteObject>()) {
            result.notes[entry.key] = note;
            continue;
        }
        if (!error.isEmpty())
            TSLogError("The footnote under %@ could not be read (%@); it is kept as it was", entry.key, error);
        else
            TSLogError("The footnote under %@ is a %@; it is kept as it was", entry.key, v.description().left(80));
        result.kept.push_back(std::move(entry));
    }
    return result;
}

QByteArray addKeptEntries(const QByteArray& archive, const std::vector<KeptEntry>& kept) {
    Opened opened;
    if (!open(archive, opened)) {
        TSLogError("The footnotes kept as they were could not be added to the archive");
        return {};
    }
    ts::ValueDictionary plist = std::move(opened.plist.dictionary());
    ts::ValueArray& objects = plist[kObjects].array();
    ts::ValueDictionary& dictionary = objects[opened.root].dictionary();
    ts::ValueArray& keys = dictionary[kKeys].array();
    ts::ValueArray& values = dictionary[kValues].array();
    std::set<QString> present;
    for (const ts::Value& k : keys) present.insert(keyText(objects[k.toUid().value]));
    for (const KeptEntry& entry : kept) {
        const quint64 offset = objects.size();
        auto place = [offset](quint64 uid) -> quint64 { return uid == 0 ? 0 : offset + uid - 1; };
        for (const ts::Value& o : entry.objects) objects.push_back(mapReferences(o, place));
        quint64 key = place(entry.keyRef);
        // A dictionary holds one value per key: an entry whose key is taken
        // (the archive read held it twice) goes under a key of its own.
        if (!entry.key.isNull() && present.count(entry.key)) {
            QString other;
            for (int n = 2; other.isNull() || present.count(other); ++n) other = QStringLiteral("%1 (%2)").arg(entry.key).arg(n);
            TSLogError("An entry kept as it was under %@ is saved under %@, as %@ is taken", entry.key, other, entry.key);
            objects.push_back(ts::Value(other));
            key = objects.size() - 1;
            present.insert(other);
        } else if (!entry.key.isNull()) {
            present.insert(entry.key);
        }
        keys.push_back(ts::Value(ts::Uid{key}));
        values.push_back(ts::Value(ts::Uid{place(entry.valueRef)}));
    }
    QString error;
    QByteArray out = ts::PropertyList::writeBinary(ts::Value(std::move(plist)), &error);
    if (out.isEmpty()) TSLogError("The footnotes kept as they were could not be written: %@", error);
    return out;
}

}  // namespace FootnoteArchive
