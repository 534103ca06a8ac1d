#include "TestEnvironment.h"

#include <QLocale>
#include <QtGlobal>

#include <ctime>

namespace {

const bool environmentSet = [] {
    qputenv("TZ", dates_test::kZone);
    tzset();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return true;
}();

}  // namespace
