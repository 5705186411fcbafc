#pragma once

#include "platform/FileWriter.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

// Data and files for the tests of the file writers, local and on a share.
namespace writertest {

// The size of a network block.
constexpr qint64 Block = 4096;

// Data whose bytes differ from their neighbours' and from one block to the next.
inline QByteArray pattern(qint64 size)
{
    QByteArray data(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 7 + i / 4093) & 0xff);
    return data;
}

inline bool writeInBlocks(TFileWriter& writer, const QByteArray& data, qint64 block = Block)
{
    for (qint64 offset = 0; offset < data.size(); offset += block)
        if (!writer.Write(data.constData() + offset, std::min(block, data.size() - offset)))
            return false;
    return true;
}

inline QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

// A writer opened for `targetOnDisk` with `data` written: a file that takes the target's name
// meanwhile is never replaced by CommitNoReplace, and the data then goes under the other name
// (`otherTarget` as the writer takes it, `otherOnDisk` to read it).
inline void expectCommitNoReplaceKeepsTheNewcomer(TFileWriter& writer, const QByteArray& data,
                                                  const QString& targetOnDisk, const QString& otherTarget,
                                                  const QString& otherOnDisk)
{
    const QByteArray newcomer = QByteArrayLiteral("another program's file");
    writeFile(targetOnDisk, newcomer);
    EXPECT_FALSE(writer.CommitNoReplace());
    EXPECT_EQ(writer.Error(), EEXIST);
    EXPECT_EQ(contents(targetOnDisk), newcomer);
    EXPECT_TRUE(writer.IsOpen());
    EXPECT_FALSE(writer.TemporaryPath().isEmpty());

    ASSERT_TRUE(writer.CommitNoReplace(otherTarget)) << writer.ErrorString().toStdString();
    EXPECT_EQ(contents(otherOnDisk), data);
    EXPECT_EQ(contents(targetOnDisk), newcomer);
    EXPECT_FALSE(writer.IsOpen());
}

} // namespace writertest
