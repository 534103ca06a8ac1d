#pragma once
// What the two fixed-vocabulary TEI.2 readers share: reading a number the
// way the Perseus attributes write it, and the entity table behind the
// entities their documents use without declaring.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

namespace TSPerseusText {

// The leading integer of the text ("12", " 7b" gives 7); 0 when there is
// none. Values beyond the 64-bit range saturate.
qint64 integerValue(const QString& text);

// Entity name to replacement text, read once from the bundle's
// "ExternalEntities" strings table; empty (logged once) when it is missing.
const QHash<QString, QString>& lookupList();

// The replacement for an undeclared entity: the table's text, or else the
// entity's own name, logged with "resolveExternalEntityName %@\n%@".
std::optional<QByteArray> entityReplacement(const QString& name, const QString& systemID);

}  // namespace TSPerseusText
