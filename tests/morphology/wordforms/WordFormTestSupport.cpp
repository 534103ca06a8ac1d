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

QByteArray number(quint64 value, int width) {
    QByteArray out;
    for (int i = width - 1; i >= 0; --i) out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

}  // namespace

QByteArray CraftedPlist::references(const std::vector<int>& refs) const {
    QByteArray out;
    out.reserve(qsizetype(refs.size()) * referenceWidth_);
    for (int r : refs)
        for (int i = referenceWidth_ - 1; i >= 0; --i) out.append(char((quint64(r) >> (8 * i)) & 0xFF));
    return out;
}

int CraftedPlist::add(int kind, qsizetype count, const QByteArray& contents) {
    offsets_.push_back(quint32(8 + objects_.size()));
    objects_ += count < 15 ? QByteArray(1, char((kind << 4) | int(count)))
                           : QByteArray(1, char((kind << 4) | 0xF)) + char(0x12) + number(quint64(count), 4);
    objects_ += contents;
    return int(offsets_.size()) - 1;
}

int CraftedPlist::string(const QByteArray& ascii) { return add(0x5, ascii.size(), ascii); }

int CraftedPlist::dictionary(const std::vector<int>& keys, const std::vector<int>& values) {
    return add(0xD, qsizetype(keys.size()), references(keys) + references(values));
}

int CraftedPlist::array(const std::vector<int>& items) { return add(0xA, qsizetype(items.size()), references(items)); }

int CraftedPlist::alias(int object) {
    offsets_.push_back(offsets_[size_t(object)]);
    return int(offsets_.size()) - 1;
}

QByteArray CraftedPlist::bytes(int top) const {
    QByteArray out = "bplist00" + objects_;
    const quint64 table = quint64(out.size());
    for (quint32 offset : offsets_) out += number(offset, 4);
    return out + QByteArray(6, '\0') + char(4) + char(referenceWidth_) + number(offsets_.size(), 8) + number(quint64(top), 8) +
           number(table, 8);
}

QByteArray cacheNamingOneRecord(int times, const QString& sourceStamp, int referenceWidth) {
    CraftedPlist p(referenceWidth);
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
