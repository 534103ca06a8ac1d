#include "morphology/MorphologyStrings.h"

#include <QHash>

QString localizedMorphologyString(const QString& key) {
    static const QHash<QString, QString> table = {
        {QStringLiteral("m"), QStringLiteral("masculine")},
        {QStringLiteral("f"), QStringLiteral("feminine")},
        {QStringLiteral("n"), QStringLiteral("neuter")},
        {QStringLiteral("c"), QStringLiteral("common")},
        {QStringLiteral("m & f"), QStringLiteral("masculine and feminine")},
        {QStringLiteral("m or f"), QStringLiteral("masculine or feminine")},
    };
    return table.value(key, key);
}
