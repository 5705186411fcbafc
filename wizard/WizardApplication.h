#pragma once

#include <QString>

// Runs the wizard in an application made by the caller: shows the main window, which fetches
// setup programs from downloadBaseAddress (proven with setupPublicKey unless it is empty), and
// returns the application's exit code once the user has closed it.
int RunWizard(const QString& downloadBaseAddress, const QByteArray& setupPublicKey = {});
