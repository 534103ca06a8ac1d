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

// Each failed entry costs one more reading of the archive; past this many,
// the entries not yet decoded are kept unread.
constexpr int kMaxRestarts = 256;
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

SplitResult split(const QByteArray& data, const QStringList& allowedClasses) {
    SplitResult result;
    Opened archive;
    if (!open(data, archive)) return result;
    result.isArchive = true;
    const ts::ValueArray& objects = archive.plist[kObjects].array();
    const ts::Value& dictionary = objects[archive.root];
    const ts::ValueArray& keys = dictionary[kKeys].array();
    const ts::ValueArray& values = dictionary[kValues].array();

    // Each entry is decoded under a top-level name of its own.
    struct Entry {
        QString key;
        size_t index;
    };
    std::vector<Entry> entries;
    ts::ValueDictionary top;
    for (size_t i = 0; i < keys.size(); ++i) {
        const QString key = keyText(objects[keys[i].toUid().value]);
        if (key.isNull()) {
            TSLogError("A footnote is stored under a key that is not a string; it is kept as it was");
            result.kept.push_back(keep(objects, keys[i].toUid().value, values[i].toUid().value, QString()));
            continue;
        }
        top.emplace(QStringLiteral("e%1").arg(entries.size()), values[i]);
        entries.push_back({key, i});
    }
    auto keepEntry = [&](const Entry& e) {
        result.kept.push_back(keep(objects, keys[e.index].toUid().value, values[e.index].toUid().value, e.key));
    };
    ts::ValueDictionary byEntry = archive.plist.dictionary();
    byEntry[kTop] = std::move(top);
    const QByteArray bytes = ts::PropertyList::writeBinary(ts::Value(std::move(byEntry)));

    size_t next = 0;
    for (int restarts = 0; next < entries.size(); ++restarts) {
        ts::KeyedUnarchiver coder(bytes, allowedClasses);
        if (!coder.ok() || restarts > kMaxRestarts) {
            TSLogError("%ld footnotes could not be read one by one; they are kept as they were",
                       qint64(entries.size() - next));
            for (; next < entries.size(); ++next) keepEntry(entries[next]);
            break;
        }
        for (; next < entries.size(); ++next) {
            const Entry& e = entries[next];
            const ts::Value v = coder.decodeObject(QStringLiteral("e%1").arg(next));
            if (!coder.ok()) {
                TSLogError("The footnote under %@ could not be read (%@); it is kept as it was", e.key, coder.error());
                keepEntry(e);
                ++next;
                break;  // the coder stops at its first error: a fresh one goes on
            }
            if (auto note = v.toObjectAs<FootnoteObject>()) {
                result.notes[e.key] = note;
            } else {
                TSLogError("The footnote under %@ is a %@; it is kept as it was", e.key, v.description().left(80));
                keepEntry(e);
            }
        }
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
