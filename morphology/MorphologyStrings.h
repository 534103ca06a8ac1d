#pragma once
// Display names of the grammatical codes, looked up by the keys the
// vocabulary uses ("m", "f", "n", ...). A key without an entry shows itself.
// The table is English until the application's localisation takes it over.

#include <QString>

QString localizedMorphologyString(const QString& key);
