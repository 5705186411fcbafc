#pragma once

#include <QByteArray>

namespace testsupport {

// Sets TZ for the lifetime of the object and makes the C library read it at once (localtime_r
// need not look at TZ again by itself). POSIX zone texts need no time-zone data installed.
class TTimeZoneOverride {
public:
    explicit TTimeZoneOverride(const char* zone);
    ~TTimeZoneOverride();
    TTimeZoneOverride(const TTimeZoneOverride&) = delete;
    TTimeZoneOverride& operator=(const TTimeZoneOverride&) = delete;

private:
    QByteArray FOld;
    bool FHadOld;
};

} // namespace testsupport
