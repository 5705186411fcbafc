#pragma once

#include <QString>

#include <vector>

// Small pieces the benchmark's parts share.

// Dialogs render offscreen unless QT_QPA_PLATFORM asks for a display; call before the application.
void PreferOffscreenPlatform();

double Median(std::vector<double> values);
QString Joined(const std::vector<double>& values, int decimals = 3);
// A file of `size` bytes that is not all zeros (so no file system can cheat on it).
bool MakeSourceFile(const QString& path, qint64 size);
// Waits, at most `limitMs`, until fewer than `fewerThan` TCP connections of this machine are
// still waiting out their close (TIME-WAIT, which lasts a minute): with a client and a server
// on one machine, thousands of them fill the range of ports both sides pick from, and every new
// data connection then takes longer to find a port. False when they did not clear in time.
bool WaitForClosedConnectionsToClear(int fewerThan, int limitMs);
