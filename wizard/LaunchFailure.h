#pragma once

#include <QString>

// What the wizard tells the user when the downloaded setup program could not be started: the
// launcher's error value (its documented codes) in this system's words, with the launcher's own
// text as a detail line. `folder` is where the setup program lies.
QString LaunchFailureText(quint32 errorCode, const QString& launcherText, const QString& folder);
