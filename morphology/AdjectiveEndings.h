#pragma once
// The ending table of one adjective group: twelve cells (singular cases
// nominative to ablative, then the plural ones) for one declension group
// (1-2 or 3), one gender group and one variant.
//
// A cell beginning with "-" is joined to the stem; "*" means the form is the
// written-out principal part. Tables are built once per process, on first
// use and thread-safely, and never change.

#include "platform/Object.h"

#include <QString>
#include <QStringList>

#include <memory>

class AdjectiveEndings;
using AdjectiveEndingsPtr = std::shared_ptr<const AdjectiveEndings>;

class AdjectiveEndings : public ts::Object {
    TS_OBJECT(AdjectiveEndings, ts::Object)

public:
    AdjectiveEndings() = default;

    const QStringList& endings() const { return endings_; }
    void setEndings(const QStringList& endings) { endings_ = endings; }

    // The cell for case 1-6 and number; "" for "*"; nil when out of range.
    QString getEnding(qint64 theCase, bool singular) const;

    static QString getEndingForWord(qint64 theCase, qint64 gender, bool singular, qint64 declension,
                                    qint64 variant);
    static AdjectiveEndingsPtr getDeclension(qint64 declension, qint64 gender, qint64 variant);
    static AdjectiveEndingsPtr get1stDeclension(qint64 gender, qint64 variant);
    static AdjectiveEndingsPtr get3rdDeclension(qint64 gender, qint64 variant);
    static std::shared_ptr<AdjectiveEndings> makeNewDeclension(qint64 declension, qint64 gender, qint64 variant);

    static QString get1stDeclensionString(qint64 gender, qint64 variant);
    static QString get3rdDeclensionString(qint64 gender, qint64 variant);
    static QString get1stDeclensionMasculineString(qint64 variant);
    static QString get1stDeclensionFeminineString();
    static QString get1stDeclensionNeuterString(qint64 variant);
    static QString get3rdDeclensionMasculineString(qint64 variant);
    static QString get3rdDeclensionNeuterString(qint64 variant);

private:
    QStringList endings_;
};
