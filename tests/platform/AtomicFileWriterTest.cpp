#include "platform/AtomicFileWriter.h"
#include "tests/platform/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>

namespace {

constexpr qint64 Block = 4096;

QByteArray pattern(qint64 size)
{
    QByteArray data(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 7 + i / 4093) & 0xff);
    return data;
}

bool writeInBlocks(TAtomicFileWriter& writer, const QByteArray& data, qint64 block = Block)
{
    for (qint64 offset = 0; offset < data.size(); offset += block)
        if (!writer.Write(data.constData() + offset, std::min(block, data.size() - offset)))
            return false;
    return true;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
}

// The write() calls this process has made so far.
qint64 writeCalls()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("syscw:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

class TAtomicFileWriterTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return FDir.filePath(name); }
    QStringList entries() const { return QDir(FDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); }

    QTemporaryDir FDir;
    const QByteArray FOld = QByteArrayLiteral("the previous, complete version");
};

TEST_F(TAtomicFileWriterTest, TargetShowsTheOldFileUntilCommitThenTheWholeNewOne)
{
    const QString target = path(QStringLiteral("setup.exe"));
    writeFile(target, FOld);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QByteArray data = pattern(3 * TAtomicFileWriter::BufferSize + 1234);

    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(target)) << writer.ErrorString().toStdString();
    ASSERT_TRUE(writeInBlocks(writer, data));
    EXPECT_EQ(contents(target), FOld);
    EXPECT_EQ(entries().size(), 2);
    EXPECT_TRUE(QFileInfo(writer.TemporaryPath()).path() == FDir.path());

    ASSERT_TRUE(writer.Commit()) << writer.ErrorString().toStdString();
    EXPECT_EQ(contents(target), data);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("setup.exe")});
    EXPECT_EQ(QFileInfo(target).permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther),
              QFile::ReadGroup);
    EXPECT_FALSE(writer.IsOpen());
}

TEST_F(TAtomicFileWriterTest, DiscardOrDestructionLeavesTheOldFileAndNoTemporaryFile)
{
    const QString existing = path(QStringLiteral("kept.bin"));
    writeFile(existing, FOld);
    const QString absent = path(QStringLiteral("never.bin"));
    {
        TAtomicFileWriter discarded;
        ASSERT_TRUE(discarded.Open(existing));
        ASSERT_TRUE(writeInBlocks(discarded, pattern(2 * TAtomicFileWriter::BufferSize)));
        discarded.Discard();
        EXPECT_FALSE(discarded.Commit());

        TAtomicFileWriter dropped;
        ASSERT_TRUE(dropped.Open(absent));
        ASSERT_TRUE(writeInBlocks(dropped, pattern(100)));
    }
    EXPECT_EQ(contents(existing), FOld);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("kept.bin")});
}

TEST_F(TAtomicFileWriterTest, ReplacesALinkAtTheTargetInsteadOfWritingThroughIt)
{
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath(QStringLiteral("victim"));
    writeFile(victim, FOld);
    const QString target = path(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(victim, target));

    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(target));
    ASSERT_TRUE(writer.Write("new", 3));
    ASSERT_TRUE(writer.Commit());
    EXPECT_FALSE(QFileInfo(target).isSymLink());
    EXPECT_EQ(contents(target), QByteArray("new"));
    EXPECT_EQ(contents(victim), FOld);
}

TEST_F(TAtomicFileWriterTest, OpenFailsWithAReasonForADirectoryOrAMissingDirectory)
{
    struct TCase {
        QString target;
        int error;
    };
    const TCase cases[] = {
        {FDir.path(), EISDIR},
        {path(QStringLiteral("missing/file")), ENOENT},
    };
    for (const TCase& c : cases) {
        TAtomicFileWriter writer;
        EXPECT_FALSE(writer.Open(c.target)) << c.target.toStdString();
        EXPECT_EQ(writer.Error(), c.error) << c.target.toStdString();
        EXPECT_TRUE(writer.ErrorString().contains(c.target)) << writer.ErrorString().toStdString();
        EXPECT_FALSE(writer.IsOpen());
    }
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(TAtomicFileWriterTest, AFailedWriteKeepsTheOldFileAndRemovesTheTemporaryOne)
{
    const QString target = path(QStringLiteral("full.bin"));
    writeFile(target, FOld);
    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(target));
    bool written = false;
    {
        TFileSizeLimit limit(64 * 1024);
        written = writeInBlocks(writer, pattern(3 * TAtomicFileWriter::BufferSize)) && writer.Commit();
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(writer.Error(), EFBIG);
    EXPECT_TRUE(writer.ErrorString().contains(target)) << writer.ErrorString().toStdString();
    EXPECT_FALSE(writer.Write("x", 1));
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(contents(target), FOld);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("full.bin")});
}

TEST_F(TAtomicFileWriterTest, SmallBlocksReachTheDiskInFewLargeWrites)
{
    const qint64 size = 8 * TAtomicFileWriter::BufferSize;
    const QByteArray data = pattern(size);
    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(path(QStringLiteral("big.bin"))));
    const qint64 before = writeCalls();
    ASSERT_GE(before, 0) << "no /proc/self/io";
    ASSERT_TRUE(writeInBlocks(writer, data));
    ASSERT_TRUE(writer.Commit());
    const qint64 calls = writeCalls() - before;
    EXPECT_LE(calls, size / TAtomicFileWriter::BufferSize + 1) << calls << " write() calls";
    EXPECT_EQ(contents(path(QStringLiteral("big.bin"))), data);
}

} // namespace
