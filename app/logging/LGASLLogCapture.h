#pragma once
// The road from the system log back into the hub: watches the system log for
// entries of this process that did not come from LGASLLogger and logs them
// as messages (file name "LGASLLogCapture", so that LGASLLogger does not
// write them back).
//
// The system log is read through the systemd journal, by running
// `journalctl --follow --output=json _PID=<own pid>` as a child process. Where
// there is no journal (no journalctl, or no running journald), start() writes
// one line to the console saying so and does nothing else.
//
// An entry is a set of keys: "Message", "Level" (the priority digit "0" to
// "7"), "Time" (seconds since 1970), "TimeNanoSec", "PID", "LGLog" ("1" for
// entries written by LGASLLogger). Priorities 0 to 2 (or none) are captured
// as errors and delivered synchronously; 3 warning, 4 info, 5 debug, other
// numbers verbose, all asynchronously.
//
// Threads: start() and stop() from any thread; the watch runs on a worker of
// the global queue. The capture level is read at each entry.

#include <QByteArray>
#include <QHash>
#include <QString>

class LGASLLogCapture {
public:
    using Entry = QHash<QString, QString>;

    // Answers whether the watch started (false where there is no journal).
    static bool start();
    // The watch ends within half a second.
    static void stop();
    static bool isRunning();
    static quint64 captureLevel();
    static void setCaptureLevel(quint64 level);

    // Whether this system offers a journal to read back from.
    static bool isSystemLogReadable();
    // The entry of one line of journalctl's JSON output; empty when the line
    // is not a journal record.
    static Entry entryFromJournalJson(const QByteArray& line);
    // Whether an entry is one to pass on: not written by LGASLLogger and of
    // this process.
    static bool isCapturable(const Entry& entry);
    // Passes one entry on to the hub (see above).
    static void aslMessageReceived(const Entry& entry);

private:
    static void captureAslLogs(long long startSecond);
};
