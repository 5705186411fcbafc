// Share path splitting: any text in; a path taken for a share holds a server, a share and
// plain directories, and the parts name the same place again.
#include "fuzz/FuzzInput.h"
#include "platform/SmbShare.h"

#include <QStringList>

namespace {

bool IsPlain(const QString& part)
{
    return !part.isEmpty() && part != QLatin1String(".") && part != QLatin1String("..")
        && !part.contains(QLatin1Char('/')) && !part.contains(QLatin1Char('\\')) && !part.contains(QLatin1Char('@'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzInput input(data, size);
    const QString path = input.RestAsUtf16();
    QString share;
    QString pathInShare;
    const bool split = TSmbShare::SplitSharePath(path, share, pathInShare);
    Require(!split || TSmbShare::LooksLikeSharePath(path), "only a path written as a share is one");
    if (path.startsWith(QLatin1String("//")))
        Require(!split, "a path that starts with two slashes is local");
    if (!split) {
        Require(share.isEmpty() && pathInShare.isEmpty(), "a refused path gives no parts");
        return 0;
    }
    Require(share.startsWith(QLatin1String("smb://")), "the share is a share URL");
    const QStringList shareParts = share.mid(6).split(QLatin1Char('/'));
    Require(shareParts.size() == 2, "the share is a server and one share name");
    QString server = shareParts[0];
    // A port follows the only colon, or the bracket of an IPv6 address: a number from 1 to 65535.
    const qsizetype colon = server.lastIndexOf(QLatin1Char(':'));
    if (colon > 0 && (server.count(QLatin1Char(':')) == 1 || server.at(colon - 1) == QLatin1Char(']'))) {
        bool numeric = false;
        const uint port = server.mid(colon + 1).toUInt(&numeric);
        Require(numeric && port >= 1 && port <= 65535, "a port is in range");
        server.truncate(colon);
    }
    Require(IsPlain(server), "the server is one plain name");
    Require(IsPlain(shareParts[1]), "the share name is one plain name");
    if (!pathInShare.isEmpty()) {
        for (const QString& segment : pathInShare.split(QLatin1Char('/')))
            Require(IsPlain(segment), "every directory is one plain name");
    }

    QString again, pathAgain;
    const QString whole = pathInShare.isEmpty() ? share : share + QLatin1Char('/') + pathInShare;
    Require(TSmbShare::SplitSharePath(whole, again, pathAgain) && again == share && pathAgain == pathInShare,
            "the parts name the same place again");
    return 0;
}
