#pragma once
// The ending table of one noun declension (and table variant): 36 cells, three
// blocks of twelve for masculine, feminine and neuter, each the singular cases
// nominative to ablative and then the plural ones.
//
// A cell beginning with "-" is an ending joined to the stem; "*" means the
// form is the word's first principal part; long vowels are precomposed macron
// letters. The eight shared tables (1; 2/0, 2/1; 3/0, 3/1; 4; 5/0, 5/1) and
// the Greek first-declension one (1/2) are built once, on first use and
// thread-safely, and never change.

#include "platform/Object.h"

#include <QString>
#include <QStringList>

#include <memory>

class NounEndings;

// The variant of the first declension beyond the Latin table (which every
// other variant reads): Greek nouns in -ē (epitomē -ēs), whose singular keeps
// the Greek endings. (Those in -ēs and -ās, comētēs -ae, take the Latin
// table: their Latin forms, comētam, are as good and better known.)
namespace NounVariant {
constexpr qint64 GreekE = 2;
}

using NounEndingsPtr = std::shared_ptr<const NounEndings>;

class NounEndings : public ts::Object {
    TS_OBJECT(NounEndings, ts::Object)

public:
    NounEndings() = default;

    const QStringList& endings() const { return endings_; }
    void setEndings(const QStringList& endings) { endings_ = endings; }
    void setArray(const QStringList& endings) { setEndings(endings); }

    // The cell for case 1-6, gender code and number: "" for a "*" cell, nil
    // when there is no cell (genders 0, 5-8; cases out of range). Gender 4
    // (common) reads the masculine block.
    QString getEnding(qint64 theCase, qint64 gender, bool singular) const;

    // The comma lists the tables are made from.
    static QString get1stDeclensionString();
    static QString get2ndDeclensionString(qint64 variant);
    static QString get3rdDeclensionString(qint64 variant);
    static QString get4thDeclensionString();
    static QString get5thDeclensionString(qint64 variant);
    // The NounVariant Greek table; nil (logged) for another variant.
    static QString getGreek1stDeclensionString(qint64 variant);

    // A new table filled from the declension's list; no cells (logged) for a
    // declension outside 1-5.
    static std::shared_ptr<NounEndings> makeNewDeclension(qint64 declension, qint64 variant);
    // The shared table; nil (logged "unsupported declension %li") outside 1-5.
    static NounEndingsPtr getDeclension(qint64 declension, qint64 variant);
    static QString getEndingForWord(qint64 theCase, qint64 gender, bool singular, qint64 declension,
                                    qint64 variant);

private:
    QStringList endings_;
};
