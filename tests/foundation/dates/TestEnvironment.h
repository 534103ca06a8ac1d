#pragma once
// The locale and time zone every date and number test runs in. They are set
// while the test program starts, before any shared formatter or calendar is
// made, so that the cached objects see them.

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QTimeZone>

namespace dates_test {

inline const char* const kZone = "America/New_York";

// A wall-clock time in the test's zone.
inline QDateTime local(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone(kZone));
}

}  // namespace dates_test
