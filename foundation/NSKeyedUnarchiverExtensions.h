#pragma once
// Unarchiving that never fails loudly: the keyed form first, then the older
// unkeyed (sequential) form, with the outcome of the unkeyed attempt reported
// as an error value.
//
// The older sequential form (the platform's "typedstream", data beginning
// 04 0B "streamtyped") is not read on this platform: such data is always
// reported as unreadable, with code 3. Main thread or any thread; no shared
// state besides the class registry.

#include "platform/Value.h"

#include <QByteArray>
#include <QString>

// The error value of a failed unarchive: domain "Application Error"; code 1
// for an invalid archive ("NSInvalidUnarchiveOperationException"), 2 for an
// invalid argument such as missing data ("NSInvalidArgumentException"), 3 for
// anything else. userInfo holds the reason under "NSLocalizedDescription" and
// the exception's name (a string) under "NSUnderlyingError".
struct UnarchiveError {
    QString domain;
    qint64 code = 0;
    ts::ValueDictionary userInfo;

    bool isSet() const { return code != 0; }
    QString localizedDescription() const;
    QString underlyingError() const;
    void clear() { *this = UnarchiveError(); }
};

class NSKeyedUnarchiverExtensions {
public:
    static const QString kErrorDomain;                  // "Application Error"
    static const QString kLocalizedDescriptionKey;      // "NSLocalizedDescription"
    static const QString kUnderlyingErrorKey;           // "NSUnderlyingError"
    static const QString kInvalidUnarchiveOperation;    // "NSInvalidUnarchiveOperationException"
    static const QString kInvalidArgument;              // "NSInvalidArgumentException"
    static const QString kUnsupportedArchive;           // the name for the unreadable sequential form

    // Clears `error`; answers the keyed archive's root when it decodes,
    // otherwise the outcome of unarchiveUnkeyedObjectWithData() with the same
    // data (the keyed attempt's failure is neither logged nor reported).
    // `allowedClasses` as for ts::KeyedUnarchiver (empty: every registered class).
    static ts::Value unarchiveObjectWithData(const QByteArray& data, UnarchiveError& error,
                                             const QStringList& allowedClasses = {});

    // Clears `error`; the unkeyed form cannot be read here, so this always
    // logs "%@ %@" with the reason and the exception name, sets `error` and
    // answers null.
    static ts::Value unarchiveUnkeyedObjectWithData(const QByteArray& data, UnarchiveError& error);
};
