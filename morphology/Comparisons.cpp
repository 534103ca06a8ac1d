#include "morphology/Comparisons.h"

#include "morphology/MorphologyResources.h"
#include "morphology/VowelLength.h"

#include "app/logging/LGLog.h"

#include <QFile>

namespace {

const QString kNone = QStringLiteral("\u2014");

QString key(const QString& positive) { return foldLatinString(positive).toLower(); }

QString degree(const QString& field) { return field == kNone ? QString() : field; }

}  // namespace

const IrregularComparison* ComparisonTable::find(const QString& positive) const {
    const auto it = adjectives.constFind(key(positive));
    return it == adjectives.constEnd() ? nullptr : &*it;
}

ComparisonTable parseComparisonTable(const QString& text, const QString& name) {
    ComparisonTable table;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        const QStringList fields = line.split(u'\t');
        if (line.startsWith(u'=')) {
            std::array<QStringList, 3> genders;
            bool good = fields.size() == 4 && fields.at(0).size() > 1;
            for (int g = 0; good && g < 3; ++g) {
                genders[size_t(g)] = fields.at(g + 1).split(u',');
                good = genders[size_t(g)].size() == 12;
                for (QString& form : genders[size_t(g)]) form = degree(form.trimmed());
            }
            if (!good) {
                TSLogError("%@ line %ld: %@ is not a comparative and three genders of twelve forms; the line is skipped",
                           name, qint64(i + 1), line);
                continue;
            }
            table.declensions.insert(fields.at(0).mid(1), genders);
            continue;
        }
        if (fields.size() < 3 || fields.size() > 4 || fields.at(0).isEmpty() || fields.at(1).isEmpty() ||
            fields.at(2).isEmpty()) {
            TSLogError("%@ line %ld: %@ is not positive, comparative and superlative; the line is skipped", name,
                       qint64(i + 1), line);
            continue;
        }
        IrregularComparison c{fields.at(0), degree(fields.at(1)), degree(fields.at(2)),
                              fields.size() == 4 ? degree(fields.at(3)) : QString()};
        table.adjectives.insert(key(c.positive), c);
    }
    return table;
}

const ComparisonTable& irregularComparisons() {
    static const ComparisonTable table = [] {
        const QString path = MorphologyResources::path(QStringLiteral("Comparisons.txt"));
        QFile file(path);
        if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            TSLogError("No comparison table %@: every adjective is compared regularly", path);
            return ComparisonTable();
        }
        return parseComparisonTable(QString::fromUtf8(file.readAll()), QStringLiteral("Comparisons.txt"));
    }();
    return table;
}
