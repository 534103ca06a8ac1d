// Fuzzes the settings archive: what reads as settings must archive again and
// read back to the same archive.

#include "app/core/Preferences.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PlatformClasses.h"
#include "platform/PropertyList.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>

namespace {

PreferencesPtr unarchive(const QByteArray& bytes) {
    QString error;
    return ts::KeyedUnarchiver::unarchive(bytes, Preferences::archiveClasses(), &error).toObjectAs<Preferences>();
}

QByteArray archive(const PreferencesPtr& preferences) {
    QString error;
    return ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(preferences), &error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (ts::registerPlatformClasses(), true);
    (void)registered;
    const PreferencesPtr loaded = unarchive(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!loaded) return 0;
    const QByteArray first = archive(loaded);
    fuzz::check(!first.isEmpty(), "settings read from an archive archive again");
    const PreferencesPtr again = unarchive(first);
    fuzz::check(bool(again), "the new archive reads as settings");
    const QByteArray second = archive(again);
    const ts::PlistResult a = ts::PropertyList::readBinary(first), b = ts::PropertyList::readBinary(second);
    fuzz::check(a.ok() && b.ok(), "both archives are property lists");
    if (fuzz::comparable(a.value, true)) fuzz::checkEqual(b.value, a.value, "archiving again gives the same archive");
    return 0;
}
