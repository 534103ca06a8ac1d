#pragma once
// tessarin-dictsource make-forms [--dictionary FILE] [--out FILE] [--force]
//
// Writes the word-form list "macrons.txt" from the prepared Lewis and Short
// dictionary (by default the application's "EditedLewisShort.xml", into the
// same Dictionaries folder), unless it is already current; --force makes it
// anyway. Prints the summary; exits 1 when the dictionary cannot be read or
// the list not written, 2 for bad arguments.

#include <QStringList>

int makeFormsCommand(QStringList args);
