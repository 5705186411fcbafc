#pragma once

#include <QString>

// Opens a web address in the user's default browser. Never fails visibly: a missing
// browser or a malformed address leaves no trace, and no process handle is kept.
void OpenWebLink(const QString& Address);

// The user's temporary directory, ending with a path delimiter, where the setup programs
// are downloaded; empty when the platform cannot provide a safe one.
QString GetTempDirectory();
