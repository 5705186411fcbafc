#pragma once

#include "platform/Shell.h"
#include "tests/platform/EnvironmentOverride.h"

#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A work directory and a desktop of our own: the XDG directories point into the work
// directory, so no program of the machine's desktop is ever opened and a test decides which
// file types have a program. The helper child writes its mark into the work directory.
class TShellFixture : public ::testing::Test {
protected:
    TShellFixture();

    QString workPath(const QString& name) const;
    QString makeFile(const QString& name, const QByteArray& content, bool executable = false) const;
    // Makes the recorder script the desktop's program for `mimeType`.
    void associateWithRecorder(const QString& mimeType) const;

    static QString childProgram();
    QString markPath() const;
    QJsonObject readMark() const;
    // The state letter of our child `processId` ('Z' once it has ended and waits to be
    // reaped), or 0 when there is no such child of ours.
    static char childState(qint64 processId);

    QTemporaryDir FWorkDir;
    TEnvironmentOverride FEnvironment;
};
