#pragma once

#include "platform/ProcessHandle.h"

#include <QString>

// Error values of a failed start: the numbers that the launcher reports and turns into text.
enum TShellError : quint32 {
    seOutOfResources = 0,  // no memory, process or descriptor left to start it
    seFileNotFound = 2,
    sePathNotFound = 3,    // a directory of the path, or the start directory, is missing
    seAccessDenied = 5,
    seBadExecutable = 11,  // an executable file that cannot run: unknown format, missing interpreter
    seNoAssociation = 31,  // no program opens it, or the verb is not supported
};

// What to start. Verb "Open" (any case) or empty opens; other verbs are refused with
// seNoAssociation. Parameters are split into words as a POSIX shell would (no expansion) and
// passed to a program only; a document or address gets none. Directory, when not empty, is
// the working directory of what is started; a relative File is taken from the current
// directory, not from Directory. ShowCommand (1 normal, 3 maximised, 7 minimised,
// 0 hidden) has no portable meaning on X11: the window manager places the window.
struct TShellStartRequest {
    QString Verb = QStringLiteral("Open");
    QString File;
    QString Parameters;
    QString Directory;
    int ShowCommand = 1;
};

struct TShellStartResult {
    bool Success = false;
    quint32 ErrorValue = 0;  // a TShellError when Success is false
    TProcessHandle Process;  // on success: the program itself, or the desktop opener
};

// Starts a program, or opens a document, folder or address with the desktop's program for it.
// Addresses (scheme://... and mailto:) and non-executable files go to xdg-open; an executable
// regular file is started directly. Returns once the start has been handed on: the program
// is running, or the opener has been started (it is not waited for). A document counts as
// having an associated program when xdg-mime names a default application for its type;
// without xdg-open nothing can be opened, which is seNoAssociation too.
TShellStartResult ShellStart(const TShellStartRequest& request);

// Opens a file, folder or address with xdg-open; the outcome is not reported.
void ShellOpen(const QString& path);
