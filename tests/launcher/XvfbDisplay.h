#pragma once

#include <QByteArray>
#include <QProcess>

// A virtual X server on a display number that it picks itself; stopped when this goes.
class TXvfbDisplay {
public:
    TXvfbDisplay() = default;
    ~TXvfbDisplay();
    TXvfbDisplay(const TXvfbDisplay&) = delete;
    TXvfbDisplay& operator=(const TXvfbDisplay&) = delete;

    // False when Xvfb is missing or does not come up in time.
    bool start();
    // The value for DISPLAY, ":N".
    QByteArray name() const { return FName; }

private:
    QProcess FServer;
    QByteArray FName;
};
