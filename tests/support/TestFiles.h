#pragma once

#include <QByteArray>
#include <QString>

// Files as the tests make and read them.
namespace testsupport {

// Bytes that differ from block to block, so a shifted or repeated block shows.
QByteArray Pattern(qint64 size);
// The file's bytes, or whenMissing when it cannot be read.
QByteArray ReadFile(const QString& path, const QByteArray& whenMissing = {});
// Writes the file, with its missing parent directories; a failure fails the test.
void WriteFile(const QString& path, const QByteArray& data);

} // namespace testsupport
