#include "tests/support/TimeZoneOverride.h"

#include <QtGlobal>

#include <ctime>

namespace testsupport {

TTimeZoneOverride::TTimeZoneOverride(const char* zone)
    : FOld(qgetenv("TZ"))
    , FHadOld(qEnvironmentVariableIsSet("TZ"))
{
    qputenv("TZ", zone);
    tzset();
}

TTimeZoneOverride::~TTimeZoneOverride()
{
    if (FHadOld)
        qputenv("TZ", FOld);
    else
        qunsetenv("TZ");
    tzset();
}

} // namespace testsupport
