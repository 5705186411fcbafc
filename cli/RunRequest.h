#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

// What one invocation of the webcopy command asks for: the component's settings and items by
// property name (as TWebCopy::LoadSettings and TWebCopyItem::LoadSettings take them) and the
// command's own switches.
struct TRunRequest {
    QVariantMap Settings;
    QList<QVariantMap> Items;
    QString CaFile;
    QString LogFile;
    bool Json = false;
    // An existing target is kept (the item is skipped) instead of replaced.
    bool KeepExisting = false;
    // Ask for the password on the terminal; it goes to every item that names a user.
    bool AskPassword = false;
    // Print the names an ftp-list item found.
    bool PrintListing = false;
};
