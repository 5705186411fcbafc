#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// A desktop for one test, as a user's programs meet it: a virtual X server (Xvfb, 1280 x 800)
// on a display number it picks itself, optionally a window manager (openbox) and optionally a
// private D-Bus session with the accessibility bus (at-spi2-core's bus launcher), as a screen
// reader needs it. Everything it started is stopped, newest first, when it goes.
class TVirtualDesktop {
public:
    struct TOptions {
        bool WindowManager = true;
        bool Accessibility = false;
    };

    TVirtualDesktop() = default;
    ~TVirtualDesktop();
    TVirtualDesktop(const TVirtualDesktop&) = delete;
    TVirtualDesktop& operator=(const TVirtualDesktop&) = delete;

    // False when a part is missing or does not come up in time; Message() says which.
    bool Start(const TOptions& options);
    QString Message() const { return FMessage; }

    // The environment for a program on this desktop: the test's own, with DISPLAY, Qt on X11 and,
    // with accessibility, the session bus and accessibility switched on.
    QProcessEnvironment Environment() const { return FEnvironment; }

    // Runs a tool on this desktop (xdotool, wmctrl, python3) and returns its standard output;
    // `exitCode` receives its exit code (-1 when it did not end within the time).
    QString Run(const QString& program, const QStringList& arguments, int* exitCode = nullptr,
                int timeoutMs = 20000) const;

    // The X window ids (decimal) of the process's visible top-level windows whose title matches
    // the regular expression, as they are now.
    QStringList Windows(qint64 pid, const QString& titlePattern) const;
    // The first such window once it is mapped; empty when none appeared in time.
    QString WaitForWindow(qint64 pid, const QString& titlePattern, int timeoutMs = 20000) const;

private:
    // Starts a helper; false when it does not start.
    QProcess* Launch(const QString& program, const QStringList& arguments);
    bool StartDisplay();
    bool StartWindowManager();
    bool StartAccessibilityBus();

    std::vector<std::unique_ptr<QProcess>> FProcesses;
    QProcessEnvironment FEnvironment;
    QString FMessage;
};
