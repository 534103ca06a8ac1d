#include "dictionaries/Zerivuv/Zerivuv.h"

#include "app/logging/LGLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

// ---- entry ----

QString ZerivuvEntry::textForm(const QVariant& v) {
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15) return QString::number(qint64(d));
        return QString::number(d, 'g', 15);
    }
    return v.toString();
}

QString ZerivuvEntry::imageFileName() const {
    const QString id = textForm(entryID_);
    if (id.isEmpty() || id.size() > 18) return {};
    for (const QChar c : id)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return {};
    return id + QStringLiteral(".jpg");
}

QByteArray ZerivuvEntry::image() const {
    if (!image_.isEmpty() || supportFolder_.isEmpty()) return image_;
    const QString name = imageFileName();
    if (name.isEmpty()) return {};
    QFile file(QDir(supportFolder_).filePath(Zerivuv::imagesFolderName() + QLatin1Char('/') + name));
    // Pictures are small; anything far larger is not one of ours.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 32 * 1024 * 1024) return {};
    image_ = file.readAll();
    return image_;
}

namespace {

quint32 bigEndian(const uchar* p, int bytes) {
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
    return v;
}

// The width in a JPEG's frame header: segments are walked by their stated
// lengths, each checked against the bytes there are.
float jpegWidth(const QByteArray& data) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype n = data.size();
    qsizetype i = 2;
    while (i + 4 <= n) {
        if (p[i] != 0xFF) return 0;
        const uchar marker = p[i + 1];
        if (marker == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            i += 2;
            continue;
        }
        const qsizetype length = bigEndian(p + i + 2, 2);
        if (length < 2 || i + 2 + length > n) return 0;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) return length >= 7 ? float(bigEndian(p + i + 7, 2)) : 0;
        if (marker == 0xDA || marker == 0xD9) return 0;  // image data before any frame header
        i += 2 + length;
    }
    return 0;
}

}  // namespace

float ZerivuvEntry::imageWidth() const {
    const QByteArray& data = image_;
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    if (data.size() >= 24 && data.startsWith("\x89PNG\r\n\x1a\n") && data.mid(12, 4) == "IHDR")
        return float(bigEndian(p + 16, 4));
    if (data.size() >= 4 && p[0] == 0xFF && p[1] == 0xD8) return jpegWidth(data);
    return 0;
}

// ---- importer ----

QStringList ZerivuvImporter::columnNames() {
    return {QStringLiteral("id"), QStringLiteral("characters"), QStringLiteral("transcription"), QStringLiteral("category"),
            QStringLiteral("period")};
}

std::optional<std::vector<ZerivuvEntryPtr>> ZerivuvImporter::parseFile(const QString& path) {
    entries_.clear();
    tableProblem_.clear();
    const auto workbook = openXLSXFile(path);
    if (!workbook) return std::nullopt;
    importQuestionsFromWorksheets(*workbook);
    return entries_;
}

void ZerivuvImporter::importQuestionsFromWorksheets(const ts::XLSXWorkbook& workbook) {
    if (workbook.names.isEmpty()) {
        tableProblem_ = QStringLiteral("The spreadsheet has no sheet.");
        return;
    }
    parseOneWorksheet(workbook.worksheets.value(workbook.names.first()));
}

QHash<QString, QString> ZerivuvImporter::parseColumnOrder(const ts::XLSXRow& header) {
    QHash<QString, QString> columns;
    for (auto it = header.cbegin(); it != header.cend(); ++it) {
        if (it.value().typeId() != QMetaType::QString) continue;
        // The leftmost column wins when two headers have the same text.
        if (!columns.contains(it.value().toString())) columns.insert(it.value().toString(), it.key());
    }
    return columns;
}

void ZerivuvImporter::parseOneWorksheet(const ts::XLSXSheet& sheet) {
    tableProblem_.clear();
    if (sheet.isEmpty()) {
        tableProblem_ = QStringLiteral("The first sheet of the spreadsheet is empty.");
        return;
    }
    const QHash<QString, QString> columns = parseColumnOrder(sheet.first());
    if (!columns.contains(QStringLiteral("id"))) {
        QStringList missing;
        for (const QString& name : columnNames())
            if (!columns.contains(name)) missing << QLatin1Char('"') + name + QLatin1Char('"');
        tableProblem_ = QStringLiteral("The first row of the spreadsheet's first sheet has no \"id\" column, so no row "
                                       "can become an abbreviation. Missing columns: %1.")
                            .arg(missing.join(QLatin1String(", ")));
    }
    const QString idCol = columns.value(QStringLiteral("id"));
    const QString charCol = columns.value(QStringLiteral("characters"));
    const QString catCol = columns.value(QStringLiteral("category"));
    const QString transCol = columns.value(QStringLiteral("transcription"));
    const QString periodCol = columns.value(QStringLiteral("period"));
    QHash<QString, qsizetype> positionOfID;
    for (auto row = std::next(sheet.cbegin()); row != sheet.cend(); ++row) {
        const ts::XLSXRow& cells = row.value();
        auto cell = [&](const QString& col) { return col.isEmpty() ? QVariant() : cells.value(col); };
        const QVariant id = cell(idCol);
        if (!id.isValid()) {
            QStringList parts;
            for (auto c = cells.cbegin(); c != cells.cend(); ++c) parts << c.key() + QLatin1Char('=') + c.value().toString();
            TSLogError("No ID for row %@", QStringLiteral("{%1}").arg(parts.join(QLatin1String(", "))));
            continue;
        }
        auto entry = std::make_shared<ZerivuvEntry>();
        entry->setEntryID(id);
        entry->setCategory(cell(catCol));
        entry->setPeriod(cell(periodCol));
        if (const QVariant c = cell(charCol); c.isValid()) entry->setCharacters(ZerivuvEntry::textForm(c));
        if (const QVariant t = cell(transCol); t.isValid()) entry->setTranscription(ZerivuvEntry::textForm(t));
        // Ids of equal text (7 and 7.0) are one id.
        const QString key = ZerivuvEntry::textForm(id);
        if (const auto it = positionOfID.constFind(key); it != positionOfID.constEnd()) {
            entries_[size_t(*it)] = entry;
        } else {
            positionOfID.insert(key, qsizetype(entries_.size()));
            entries_.push_back(entry);
        }
    }
    if (entries_.empty() && tableProblem_.isEmpty())
        tableProblem_ = QStringLiteral("No row below the header of the spreadsheet's first sheet has an id.");
}

// ---- table ----

Zerivuv::Zerivuv(const QString& supportFolder) : supportFolder_(supportFolder) { loadDatabase(); }

void Zerivuv::loadDatabase() {
    removeAllObjects();
    databaseLoaded_ = false;
    lastError_.clear();
    tableProblem_.clear();
    if (supportFolder_.isEmpty()) return;
    const QString path = QDir(supportFolder_).filePath(spreadsheetName());
    if (!QFileInfo(path).isFile()) return;
    ZerivuvImporter importer;
    const auto entries = importer.parseFile(path);
    if (!entries) {
        lastError_ = importer.lastError();
        return;
    }
    tableProblem_ = importer.tableProblem();
    for (const ZerivuvEntryPtr& e : *entries) {
        e->setSupportFolder(supportFolder_);
        setObject(ts::Value(ts::ObjectPtr(e)), ts::Value(ZerivuvEntry::textForm(e->entryID())));
    }
    databaseLoaded_ = true;
}

std::vector<ZerivuvEntryPtr> Zerivuv::entries() const {
    std::vector<ZerivuvEntryPtr> out;
    for (const ts::Value& v : objectEnumerator())
        if (auto e = std::dynamic_pointer_cast<ZerivuvEntry>(v.toObject())) out.push_back(std::move(e));
    return out;
}

std::vector<ZerivuvEntryPtr> Zerivuv::recordsContainingString(const QString& text) const {
    std::vector<ZerivuvEntryPtr> out;
    for (ZerivuvEntryPtr& e : entries()) {
        if (text.isEmpty() || (!e->transcription().isNull() && e->transcription().contains(text, Qt::CaseInsensitive)))
            out.push_back(std::move(e));
    }
    std::stable_sort(out.begin(), out.end(), [](const ZerivuvEntryPtr& a, const ZerivuvEntryPtr& b) {
        return a->transcription().compare(b->transcription(), Qt::CaseInsensitive) < 0;
    });
    return out;
}
