#include "platform/LocalFileReader.h"
#include "platform/LocalFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TLocalFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        QFile file(Path(QStringLiteral("file")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write("12345"), 5);
        file.close();
        ASSERT_TRUE(QDir(FDir.path()).mkdir(QStringLiteral("dir")));
        ASSERT_TRUE(QFile::link(Path(QStringLiteral("file")), Path(QStringLiteral("link-to-file"))));
        ASSERT_TRUE(QFile::link(Path(QStringLiteral("dir")), Path(QStringLiteral("link-to-dir"))));
        ASSERT_TRUE(QFile::link(Path(QStringLiteral("nowhere")), Path(QStringLiteral("dangling"))));
    }

    QString Path(const QString& name) const { return FDir.filePath(name); }

    QTemporaryDir FDir;
};

TEST_F(TLocalFilesTest, KindsOfEntries)
{
    const struct {
        const char* Name;
        bool Exists;
        bool Directory;
        bool Regular;
        qint64 Size;
    } cases[] = {
        {"file", true, false, true, 5},
        {"dir", true, true, false, -2},
        {"link-to-file", true, false, true, 5},
        {"link-to-dir", true, true, false, -2},
        {"dangling", true, false, false, -1},
        {"missing", false, false, false, -1},
    };
    for (const auto& c : cases) {
        const QString path = Path(QString::fromLatin1(c.Name));
        EXPECT_EQ(PathExists(path), c.Exists) << c.Name;
        EXPECT_EQ(PathIsDirectory(path), c.Directory) << c.Name;
        EXPECT_EQ(RegularFileExists(path), c.Regular) << c.Name;
        if (c.Size != -2) { // a directory's size is the file system's business
            EXPECT_EQ(LocalFileSize(path), c.Size) << c.Name;
        }
    }
}

TEST_F(TLocalFilesTest, EmptyPathsAndPathsWithNulNameNothing)
{
    // Cut at the NUL, these would name the existing file and directory.
    const QString nulFile = Path(QStringLiteral("file")) + QChar(u'\0') + QStringLiteral("x");
    const QString nulDir = Path(QStringLiteral("dir")) + QChar(u'\0');
    for (const QString& path : {QString(), nulFile, nulDir}) {
        EXPECT_FALSE(PathExists(path));
        EXPECT_FALSE(PathIsDirectory(path));
        EXPECT_FALSE(RegularFileExists(path));
        EXPECT_EQ(LocalFileSize(path), -1);
        EXPECT_FALSE(CreateDirectory(path));
        qint64 secs = 0;
        int nsec = 0;
        EXPECT_FALSE(LastWriteTime(path, secs, nsec));
    }
}

TEST_F(TLocalFilesTest, CreateDirectoryIsTrueWhenTheDirectoryExistsAfterwards)
{
    EXPECT_TRUE(CreateDirectory(Path(QStringLiteral("new"))));
    EXPECT_TRUE(PathIsDirectory(Path(QStringLiteral("new"))));
    EXPECT_TRUE(CreateDirectory(Path(QStringLiteral("dir")))) << "already there";
    EXPECT_FALSE(CreateDirectory(Path(QStringLiteral("file")))) << "a file is in the way";
    EXPECT_FALSE(CreateDirectory(Path(QStringLiteral("missing/sub")))) << "no parent";
}

TEST_F(TLocalFilesTest, LastWriteTimeHasSubsecondPrecision)
{
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(Q_INT64_C(1'600'000'000'123), Qt::UTC);
    QFile file(Path(QStringLiteral("file")));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    file.close();

    qint64 secs = 0;
    int nsec = 0;
    ASSERT_TRUE(LastWriteTime(Path(QStringLiteral("file")), secs, nsec));
    EXPECT_EQ(secs, 1'600'000'000);
    EXPECT_EQ(nsec, 123'000'000);
    EXPECT_FALSE(LastWriteTime(Path(QStringLiteral("missing")), secs, nsec));
}

TEST_F(TLocalFilesTest, MaxFileNameBytesIsTheLongestNameTheDirectoryTakes)
{
    const int longest = MaxFileNameBytes(FDir.path());
    ASSERT_GT(longest, 0);
    EXPECT_TRUE(QFile(Path(QString(longest, QLatin1Char('n')))).open(QIODevice::WriteOnly));
    EXPECT_FALSE(QFile(Path(QString(longest + 1, QLatin1Char('n')))).open(QIODevice::WriteOnly));
    EXPECT_EQ(MaxFileNameBytes(Path(QStringLiteral("missing"))), 255) << "unknown: the common limit";
}

TEST_F(TLocalFilesTest, AReaderOpensAtOnceAndOnlyRegularFiles)
{
    const QString fifo = Path(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QString Path;
        QString Reason;  // empty: opens
    } cases[] = {
        {Path(QStringLiteral("file")), QString()},
        {Path(QStringLiteral("link-to-file")), QString()},
        {fifo, QStringLiteral("Not a regular file")},  // nobody writes to it
        {QStringLiteral("/dev/zero"), QStringLiteral("Not a regular file")},
        {Path(QStringLiteral("dir")), QStringLiteral("Not a regular file")},
        {Path(QStringLiteral("missing")), QStringLiteral("No such file or directory")},
    };
    for (const auto& c : cases) {
        QString reason;
        auto opening = std::async(std::launch::async, [&] { return TLocalFileReader::Open(c.Path, &reason); });
        if (opening.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << c.Path.toStdString() << ": Open waits";
            // A writer lets a waiting open of the FIFO return, so the test ends.
            ::close(::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        }
        const std::unique_ptr<TLocalFileReader> reader = opening.get();
        EXPECT_EQ(reader != nullptr, c.Reason.isEmpty()) << c.Path.toStdString();
        EXPECT_EQ(reason, c.Reason) << c.Path.toStdString();
    }
}

} // namespace
