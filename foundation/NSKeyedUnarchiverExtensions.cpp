#include "foundation/NSKeyedUnarchiverExtensions.h"

#include "app/logging/LGLog.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PlatformClasses.h"

const QString NSKeyedUnarchiverExtensions::kErrorDomain = QStringLiteral("Application Error");
const QString NSKeyedUnarchiverExtensions::kLocalizedDescriptionKey = QStringLiteral("NSLocalizedDescription");
const QString NSKeyedUnarchiverExtensions::kUnderlyingErrorKey = QStringLiteral("NSUnderlyingError");
const QString NSKeyedUnarchiverExtensions::kInvalidUnarchiveOperation = QStringLiteral("NSInvalidUnarchiveOperationException");
const QString NSKeyedUnarchiverExtensions::kInvalidArgument = QStringLiteral("NSInvalidArgumentException");
const QString NSKeyedUnarchiverExtensions::kUnsupportedArchive = QStringLiteral("TSUnsupportedArchiveException");

QString UnarchiveError::localizedDescription() const {
    auto it = userInfo.find(NSKeyedUnarchiverExtensions::kLocalizedDescriptionKey);
    return it == userInfo.end() ? QString() : it->second.toString();
}

QString UnarchiveError::underlyingError() const {
    auto it = userInfo.find(NSKeyedUnarchiverExtensions::kUnderlyingErrorKey);
    return it == userInfo.end() ? QString() : it->second.toString();
}

namespace {

struct Failure {
    QString name;
    QString reason;
};

// What reading `data` as the older sequential form runs into.
Failure sequentialFailure(const QByteArray& data) {
    using X = NSKeyedUnarchiverExtensions;
    if (data.isEmpty()) return {X::kInvalidArgument, QStringLiteral("no data to unarchive")};
    if (data.size() >= 2 && data[0] == '\x04' && data[1] == '\x0b' && data.mid(2, 11) == "streamtyped")
        return {X::kUnsupportedArchive, QStringLiteral("archives in the old sequential (typedstream) form cannot be read")};
    return {X::kInvalidUnarchiveOperation,
            QStringLiteral("incomprehensible archive (%1)").arg(QString::fromLatin1(data.left(8).toHex(' ')))};
}

qint64 codeFor(const QString& name) {
    if (name == NSKeyedUnarchiverExtensions::kInvalidUnarchiveOperation) return 1;
    if (name == NSKeyedUnarchiverExtensions::kInvalidArgument) return 2;
    return 3;
}

}  // namespace

ts::Value NSKeyedUnarchiverExtensions::unarchiveObjectWithData(const QByteArray& data, UnarchiveError& error,
                                                               const QStringList& allowedClasses) {
    error.clear();
    ts::registerPlatformClasses();
    QString keyedError;
    ts::Value object = ts::KeyedUnarchiver::unarchive(data, allowedClasses, &keyedError);
    if (keyedError.isEmpty() && !object.isNull()) return object;
    return unarchiveUnkeyedObjectWithData(data, error);
}

ts::Value NSKeyedUnarchiverExtensions::unarchiveUnkeyedObjectWithData(const QByteArray& data, UnarchiveError& error) {
    error.clear();
    const Failure f = sequentialFailure(data);
    TSLogError("%@ %@", f.reason, f.name);
    error.domain = kErrorDomain;
    error.code = codeFor(f.name);
    error.userInfo[kLocalizedDescriptionKey] = f.reason;
    error.userInfo[kUnderlyingErrorKey] = f.name;
    return {};
}
