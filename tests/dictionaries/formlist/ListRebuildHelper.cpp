// Does what the application does when its word-form list is stale: with the
// dictionary services installed as the application installs them, the load
// makes the list from the prepared dictionary under XDG_DATA_HOME, reads it
// and writes the cache. Prints the memory the load added and the process's
// peak (MiB), and the records loaded.

#include "app/core/DictionaryServicesSetup.h"
#include "morphology/TSWordFormDictionary.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

// A field of /proc/self/status ("VmRSS:", "VmHWM:") in MiB.
static double statusMiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    installDictionaryServices();
    const double before = statusMiB("VmRSS:");
    if (!TSWordFormDictionary::waitForInitialisation()) return 1;
    const TSWordFormDictionaryPtr kept = TSWordFormDictionary::sharedDictionary();
    std::printf("%.1f %.1f %lld\n", statusMiB("VmRSS:") - before, statusMiB("VmHWM:"), qlonglong(kept->recordCount()));
    return 0;
}
