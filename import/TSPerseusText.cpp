#include "TSPerseusText.h"

#include "app/core/TSBundle.h"
#include "app/logging/LGLog.h"
#include "platform/StringsTable.h"

#include <limits>

namespace TSPerseusText {

qint64 integerValue(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace()) ++i;
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    constexpr qint64 limit = std::numeric_limits<qint64>::max();
    for (; i < n && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        const int digit = text.at(i).unicode() - '0';
        if (value > (limit - digit) / 10) return negative ? std::numeric_limits<qint64>::min() : limit;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

const QHash<QString, QString>& lookupList() {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> out;
        const QString path = TSBundle::pathForResource(QStringLiteral("ExternalEntities"), QStringLiteral("strings"));
        if (path.isEmpty()) {
            TSLogError("No ExternalEntities table; entities keep their names");
            return out;
        }
        QString error;
        const ts::StringsTable strings = ts::StringsTable::fromFile(path, &error);
        if (!error.isEmpty()) TSLogError("ExternalEntities: %@", error);
        for (const auto& [key, value] : strings.entries()) out.insert(key, value);
        return out;
    }();
    return table;
}

std::optional<QByteArray> entityReplacement(const QString& name, const QString& systemID) {
    const auto it = lookupList().constFind(name);
    if (it != lookupList().constEnd()) return it.value().toUtf8();
    TSLogError("resolveExternalEntityName %@\n%@", name, systemID);
    return name.toUtf8();
}

}  // namespace TSPerseusText
