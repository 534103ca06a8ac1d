#include "WordFormTestSupport.h"

#include <QDir>
#include <QFile>

namespace wordformtest {

QString sharedDir() {
    const QString fromEnvironment = qEnvironmentVariable("TS_SHARED_DIR");
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    return qEnvironmentVariable("TS_SOURCE_DIR") + QStringLiteral("/../shared");
}

QString readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString minimalListPath() { return sharedDir() + QStringLiteral("/data/macrons/macrons-minimal.txt"); }

Places::Places(const QStringList& frequencyLines) {
    TSWordFormDictionary::resetSharedState();
    QDir(dir_.path()).mkpath(QStringLiteral("support"));
    QDir(dir_.path()).mkpath(QStringLiteral("resources"));
    locations_.supportDirectory = dir_.filePath(QStringLiteral("support"));
    locations_.bundledSource = dir_.filePath(QStringLiteral("resources/macrons.txt.zip"));
    locations_.frequencyFile = dir_.filePath(QStringLiteral("resources/FormFrequencies.txt"));
    locations_.temporaryDirectory = dir_.filePath(QStringLiteral("tmp"));
    writeFile(locations_.frequencyFile, frequencyLines.join(QLatin1Char('\n')).toUtf8());
    TSWordFormDictionary::setLocations(locations_);
}

Places::~Places() { TSWordFormDictionary::resetSharedState(); }

namespace {

int widthFor(quint64 value) {
    int width = 1;
    while (width < 8 && value >= (1ULL << (8 * width))) ++width;
    return width;
}

void appendNumber(QByteArray& out, quint64 value, int width) {
    for (int i = width - 1; i >= 0; --i) out.append(char((value >> (8 * i)) & 0xFF));
}

void appendMarker(QByteArray& out, int kind, quint64 count) {
    if (count < 15) {
        out.append(char((kind << 4) | int(count)));
        return;
    }
    out.append(char((kind << 4) | 0xF));
    const int width = count < 256 ? 1 : count < 65536 ? 2 : count < (1ULL << 32) ? 4 : 8;
    out.append(char(0x10 | (width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3)));
    appendNumber(out, count, width);
}

}  // namespace

int CraftedPlist::string(const QByteArray& ascii) {
    objects_.push_back({0x5, ascii, {}, -1});
    return int(objects_.size()) - 1;
}

int CraftedPlist::dictionary(const std::vector<int>& keys, const std::vector<int>& values) {
    std::vector<int> refs = keys;
    refs.insert(refs.end(), values.begin(), values.end());
    objects_.push_back({0xD, QByteArray(), refs, -1});
    return int(objects_.size()) - 1;
}

int CraftedPlist::array(const std::vector<int>& items) {
    objects_.push_back({0xA, QByteArray(), items, -1});
    return int(objects_.size()) - 1;
}

int CraftedPlist::alias(int object) {
    objects_.push_back({0, QByteArray(), {}, object});
    return int(objects_.size()) - 1;
}

QByteArray CraftedPlist::bytes(int top) const {
    const int refWidth = widthFor(objects_.size());
    QByteArray out("bplist00");
    std::vector<quint64> offsets(objects_.size());
    for (size_t i = 0; i < objects_.size(); ++i) {
        const Object& o = objects_[i];
        if (o.aliasOf >= 0) continue;
        offsets[i] = quint64(out.size());
        if (o.kind == 0x5) {
            appendMarker(out, o.kind, quint64(o.text.size()));
            out.append(o.text);
        } else {
            appendMarker(out, o.kind, quint64(o.kind == 0xD ? o.refs.size() / 2 : o.refs.size()));
            for (int r : o.refs) appendNumber(out, quint64(r), refWidth);
        }
    }
    for (size_t i = 0; i < objects_.size(); ++i)
        if (objects_[i].aliasOf >= 0) offsets[i] = offsets[size_t(objects_[i].aliasOf)];
    const quint64 tableOffset = quint64(out.size());
    const int offsetWidth = widthFor(tableOffset);
    for (quint64 offset : offsets) appendNumber(out, offset, offsetWidth);
    out.append(QByteArray(6, '\0'));
    out.append(char(offsetWidth));
    out.append(char(refWidth));
    appendNumber(out, objects_.size(), 8);
    appendNumber(out, quint64(top), 8);
    appendNumber(out, tableOffset, 8);
    return out;
}

QByteArray cacheNamingOneRecord(int times, const QString& sourceStamp) {
    CraftedPlist p;
    const int record = p.dictionary({p.string("base"), p.string("form"), p.string("flags")},
                                    {p.string("a"), p.string(""), p.string("n-s---nn-")});
    const int stored = p.dictionary({p.string("k")}, {p.array(std::vector<int>(size_t(times), record))});
    std::vector<int> keys{p.string("ClassName"), p.string("storedData")};
    std::vector<int> values{p.string("TSWordFormDictionary"), stored};
    if (!sourceStamp.isEmpty()) {
        keys.push_back(p.string("SourceStamp"));
        values.push_back(p.string(sourceStamp.toUtf8()));
    }
    return p.bytes(p.dictionary(keys, values));
}

}  // namespace wordformtest
