#pragma once

#include <QString>

// The small files of the cases that fetch many in one run: Count() files of FileSize bytes in
// one served directory, and the lists that name them for each side.
class TManyFiles {
public:
    static constexpr qint64 FileSize = 10 * 1024;
    // The pattern that matches every one of them, and nothing else in their directory.
    static QString Pattern() { return QStringLiteral("*.bin"); }

    // Makes them in `directory` (which must exist); false when one could not be written.
    bool Make(const QString& directory, int count);
    int Count() const { return FCount; }
    qint64 TotalSize() const { return FCount * FileSize; }

    // A curl configuration (-K) that fetches each file from `baseUrl` (ending in a slash) to the
    // same name in `outputDir`: one command, one connection for all.
    bool WriteCurlConfig(const QString& path, const QString& baseUrl, const QString& outputDir) const;
    // The URL of each file, one a line.
    bool WriteUrlList(const QString& path, const QString& baseUrl) const;

private:
    static QString Name(int index);

    int FCount = 0;
};
