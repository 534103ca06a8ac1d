#include "foundation/Archiver.h"

#include "app/logging/LGLog.h"
#include "foundation/NSKeyedUnarchiverExtensions.h"
#include "platform/KeyedArchiver.h"

ts::Value Archiver::unarchiveObjectWithData(const QByteArray& data) {
    UnarchiveError error;
    ts::Value object = NSKeyedUnarchiverExtensions::unarchiveObjectWithData(data, error);
    if (object.isNull()) TSLogError("Unable to unarchive object");
    return object;
}

QByteArray Archiver::archivedDataWithRootObject(const ts::Value& object) {
    QString error;
    QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(object, &error);
    if (!error.isEmpty()) TSLogError("Unable to archive object: %@", error);
    return data;
}
