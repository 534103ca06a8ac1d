#pragma once
// The application's bundle: its names and the resource files that ship with
// it (the grammar file, the strings tables, the data tables).
//
// Resources are looked up in the folder named by the environment variable
// TS_RESOURCES_DIR, else in the resources folder of the source tree the
// library was built from. The variable is read on every call, so a test may
// point it elsewhere. Localised resources sit in "<language>.lproj" folders;
// the current locale's language is tried first, then English.
//
// Threads: any thread; the table cache is locked.

#include <QString>

class TSBundle {
public:
    // The bundle's executable name, which names the support folder.
    static QString executableName();
    // The bundle identifier, which names the user-defaults file.
    static QString bundleIdentifier();

    // The resources folder; empty when there is none.
    static QString resourcesDirectory();
    // "<name>.<type>" in the resources folder (a localised copy first); empty
    // when there is no such file.
    static QString pathForResource(const QString& name, const QString& type);

    // The text of `key` in the strings table `table` ("Localizable" when
    // empty). A key the table lacks answers `value`, or the key itself when
    // `value` is empty, so a missing translation shows its key. Tables are
    // read once and kept; an unreadable table is logged once and reads as
    // empty.
    static QString localizedString(const QString& key, const QString& value = {}, const QString& table = {});

    // Makes localizedString() the look-up ts::Prompter uses for the texts of
    // alerts and panels.
    static void installLocalizer();

    // Forgets the cached tables (for tests that swap the resources folder).
    static void clearCaches();
};
