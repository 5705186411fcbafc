#include "platform/AtomicFileWriter.h"
#include "platform/LocalFileReader.h"
#include "platform/StaleTemporaries.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/WriterTestFiles.h"
#include "tests/support/SmallFileSystem.h"
#include "tests/support/WaitFor.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace writertest;

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

TEST_F(TAtomicFileWriterTest, ReservedRoomAndBlocksCopiedFromAFileEndAsExactlyTheBytesWritten)
{
    const QByteArray data = pattern(5 * TAtomicFileWriter::BufferSize + 77);
    writeFile(path(QStringLiteral("source.bin")), data);
    const QByteArray head = QByteArrayLiteral("head");
    const QByteArray whole = head + data;
    // None, more than comes (a source that shrank), exactly, and less than comes.
    for (const qint64 reserved : {qint64(0), qint64(whole.size()) + (1 << 20), qint64(whole.size()), qint64(100)}) {
        SCOPED_TRACE(reserved);
        const QString target = path(QStringLiteral("copy.bin"));
        std::unique_ptr<TLocalFileReader> reader = TLocalFileReader::Open(path(QStringLiteral("source.bin")));
        ASSERT_TRUE(reader);
        TAtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(target));
        writer.Reserve(reserved);
        // A buffered write first: the copied blocks must land after it.
        ASSERT_TRUE(writer.Write(head.constData(), head.size()));
        char buffer[TAtomicFileWriter::BufferSize];
        TCopiedBlock block;
        do {
            block = writer.CopyBlockFrom(*reader, buffer, sizeof(buffer));
            ASSERT_EQ(block.Failure, TCopiedBlock::NoFailure);
        } while (block.Count > 0);
        ASSERT_TRUE(writer.Commit()) << writer.ErrorString().toStdString();
        EXPECT_EQ(QFileInfo(target).size(), whole.size());
        EXPECT_EQ(contents(target), whole);
    }
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

TEST_F(TAtomicFileWriterTest, OpenFailsWithAReasonForADirectoryAMissingDirectoryOrANameTooLong)
{
    struct TCase {
        QString target;
        int error;
    };
    const TCase cases[] = {
        {FDir.path(), EISDIR},
        {path(QStringLiteral("missing/file")), ENOENT},
        {path(QString(256, QLatin1Char('n'))), ENAMETOOLONG},
    };
    for (const TCase& c : cases) {
        TAtomicFileWriter writer;
        EXPECT_FALSE(writer.Open(c.target)) << c.target.toStdString();
        EXPECT_EQ(writer.Error(), c.error) << c.target.toStdString();
        EXPECT_TRUE(writer.ErrorString().contains(c.target)) << writer.ErrorString().toStdString();
        EXPECT_EQ(writer.Reason(), qt_error_string(c.error));
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
    EXPECT_EQ(writer.Reason(), QStringLiteral("File too large"));
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

TEST_F(TAtomicFileWriterTest, AFullDiskFailsWithTheSystemsReasonAndKeepsTheOldFile)
{
    TSmallFileSystem disk(256 * 1024);
    if (!disk.Error().isEmpty())
        GTEST_SKIP() << disk.Error().toStdString();
    const QString target = disk.Path() + QStringLiteral("/full.bin");
    writeFile(target, FOld);

    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(target)) << writer.ErrorString().toStdString();
    EXPECT_FALSE(writeInBlocks(writer, pattern(1024 * 1024)));
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(writer.Error(), ENOSPC);
    EXPECT_EQ(writer.Reason(), QStringLiteral("No space left on device"));
    EXPECT_TRUE(writer.ErrorString().contains(target)) << writer.ErrorString().toStdString();
    EXPECT_EQ(contents(target), FOld);
    EXPECT_EQ(QDir(disk.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("full.bin")});
}

// The temporary file's name, without its random part: what a writer for the same target makes.
QString stemPath(const TAtomicFileWriter& writer)
{
    return writer.TemporaryPath().chopped(QByteArrayLiteral("XXXXXXXX.part").size());
}

TEST_F(TAtomicFileWriterTest, OpenRemovesTheTargetsLeftoversButNoLiveWritersFileNorOthers)
{
    const QString target = path(QStringLiteral("setup.exe"));
    TAtomicFileWriter live;
    ASSERT_TRUE(live.Open(target));
    const QString liveTemporary = live.TemporaryPath();

    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath(QStringLiteral("victim"));
    writeFile(victim, FOld);
    enum class TKind { File, Directory, Link };
    const struct {
        const char* Name;
        TKind Kind;
        bool Stays;
    } cases[] = {
        {".setup.exe.Ab3dEf9h.part", TKind::File, false},  // what a writer that died left
        {".setup.exe.ZZZZZZZZ.part", TKind::File, false},
        {".setup.exe.Ab3dEf9.part", TKind::File, true},    // not a name a writer makes
        {".setup.exe.Ab3dEf9h.partial", TKind::File, true},
        {"setup.exe.Ab3dEf9h.part", TKind::File, true},
        {".setup.exe.Ab-dEf9h.part", TKind::File, true},
        {".setup.ex.Ab3dEf9h.part", TKind::File, true},    // another target's
        {".setup.exe.bin.Ab3dEf9h.part", TKind::File, true},
        {".Setup.exe.Ab3dEf9h.part", TKind::File, true},
        {".setup.exe.DirDirDi.part", TKind::Directory, true},
        {".setup.exe.LinkLink.part", TKind::Link, true},
    };
    for (const auto& c : cases) {
        const QString name = path(QString::fromLatin1(c.Name));
        if (c.Kind == TKind::File)
            writeFile(name, FOld);
        else if (c.Kind == TKind::Directory)
            ASSERT_TRUE(QDir().mkdir(name));
        else
            ASSERT_TRUE(QFile::link(victim, name));
    }

    TAtomicFileWriter next;
    ASSERT_TRUE(next.Open(target)) << next.ErrorString().toStdString();
    for (const auto& c : cases)
        EXPECT_EQ(QFileInfo::exists(path(QString::fromLatin1(c.Name))), c.Stays) << c.Name;
    EXPECT_TRUE(QFileInfo::exists(liveTemporary));
    EXPECT_TRUE(QFileInfo::exists(victim));
    ASSERT_TRUE(live.Write("first", 5));
    EXPECT_TRUE(live.Commit()) << live.ErrorString().toStdString();
    EXPECT_EQ(contents(target), QByteArray("first"));
}

TEST_F(TAtomicFileWriterTest, AWritersFileIsKeptWhileItsProcessLivesAndRemovedOnceItWasKilled)
{
    const QString target = path(QStringLiteral("setup.exe"));
    const QString temporary = path(QStringLiteral(".setup.exe.Ab3dEf9h.part"));
    // Another process holds the lock as a writer does, until it is killed.
    QProcess holder;
    holder.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import fcntl, sys\n"
                                 "f = open(sys.argv[1], 'x')\n"
                                 "fcntl.flock(f, fcntl.LOCK_EX)\n"
                                 "print('locked', flush=True)\n"
                                 "sys.stdin.read()\n"),
                  temporary});
    ASSERT_TRUE(testsupport::waitFor(
        [&] { return holder.canReadLine() || holder.state() == QProcess::NotRunning; }, 20000));
    ASSERT_EQ(holder.readLine().trimmed(), QByteArray("locked"));
    {
        TAtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(target));
        EXPECT_TRUE(QFileInfo::exists(temporary)) << "the file of a live writer";
    }
    holder.kill();
    ASSERT_TRUE(holder.waitForFinished(20000));

    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(target));
    EXPECT_FALSE(QFileInfo::exists(temporary)) << "left by a writer that was killed";
}

TEST_F(TAtomicFileWriterTest, OpenLeavesAnotherUsersFileAlone)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user";
    const QString target = path(QStringLiteral("setup.exe"));
    const QString foreign = path(QStringLiteral(".setup.exe.Ab3dEf9h.part"));
    writeFile(foreign, FOld);
    constexpr uid_t Nobody = 65534;
    ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), Nobody, Nobody), 0);

    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(target));
    EXPECT_TRUE(QFileInfo::exists(foreign));
}

TEST_F(TAtomicFileWriterTest, ATargetNameOfTheLongestLengthWorksAndItsLeftoversAreFound)
{
    // 85 three-byte characters: 255 bytes, and no cut at a fixed length lands between characters.
    const QString name = QString(85, QChar(0x20AC));
    ASSERT_EQ(name.toUtf8().size(), 255);
    const QString target = path(name);
    const QByteArray data = pattern(5 * Block);

    TAtomicFileWriter first;
    ASSERT_TRUE(first.Open(target)) << first.ErrorString().toStdString();
    const QString temporaryName = QFileInfo(first.TemporaryPath()).fileName();
    EXPECT_LE(temporaryName.toUtf8().size(), 255);
    EXPECT_FALSE(temporaryName.contains(QChar::ReplacementCharacter)) << "a character was cut in half";
    // A leftover of the same target, as a writer that died would have left it.
    const QString leftover = stemPath(first) + QStringLiteral("Ab3dEf9h.part");
    writeFile(leftover, FOld);
    first.Discard();

    TAtomicFileWriter second;
    ASSERT_TRUE(second.Open(target)) << second.ErrorString().toStdString();
    EXPECT_FALSE(QFileInfo::exists(leftover));
    ASSERT_TRUE(writeInBlocks(second, data));
    ASSERT_TRUE(second.Commit()) << second.ErrorString().toStdString();
    EXPECT_EQ(contents(target), data);
    EXPECT_EQ(entries(), QStringList{name});
}

TEST_F(TAtomicFileWriterTest, LongNamesThatShareTheirStartDoNotShareLeftovers)
{
    const QString start = QString(240, QLatin1Char('a'));
    TAtomicFileWriter one;
    TAtomicFileWriter other;
    ASSERT_TRUE(one.Open(path(start + QStringLiteral("-one"))));
    ASSERT_TRUE(other.Open(path(start + QStringLiteral("-two"))));
    EXPECT_NE(stemPath(one), stemPath(other));
    const QString leftoverOfOther = stemPath(other) + QStringLiteral("Ab3dEf9h.part");
    writeFile(leftoverOfOther, FOld);

    TAtomicFileWriter again;
    ASSERT_TRUE(again.Open(path(start + QStringLiteral("-one"))));
    EXPECT_TRUE(QFileInfo::exists(leftoverOfOther));
}

TEST_F(TAtomicFileWriterTest, ARunListsItsDirectoryOnceAndEachTargetTakesOnlyItsOwnLeftovers)
{
    const QString leftoverOfA = path(QStringLiteral(".a.bin.Ab3dEf9h.part"));
    const QString leftoverOfB = path(QStringLiteral(".b.bin.Zz9yXw8v.part"));
    writeFile(leftoverOfA, FOld);
    writeFile(leftoverOfB, FOld);
    TStaleTemporaries run;

    TAtomicFileWriter a;
    ASSERT_TRUE(a.Open(path(QStringLiteral("a.bin")), &run));
    EXPECT_FALSE(QFileInfo::exists(leftoverOfA));
    EXPECT_TRUE(QFileInfo::exists(leftoverOfB));
    // Left after the listing: a later run removes it, this one does not list again.
    const QString lateLeftoverOfB = path(QStringLiteral(".b.bin.Late0000.part"));
    writeFile(lateLeftoverOfB, FOld);

    TAtomicFileWriter b;
    ASSERT_TRUE(b.Open(path(QStringLiteral("b.bin")), &run));
    EXPECT_FALSE(QFileInfo::exists(leftoverOfB));
    EXPECT_TRUE(QFileInfo::exists(lateLeftoverOfB));
    EXPECT_TRUE(QFileInfo::exists(a.TemporaryPath())) << "a live writer's file stays";

    TAtomicFileWriter nextRun;
    ASSERT_TRUE(nextRun.Open(path(QStringLiteral("b.bin"))));
    EXPECT_FALSE(QFileInfo::exists(lateLeftoverOfB));
}

} // namespace

namespace {

TEST_F(TAtomicFileWriterTest, ASparseSourceStaysSparseOnTheTarget)
{
    // 64 MiB with 100 KiB of data at the start and in the middle, ending in a hole.
    constexpr qint64 Size = 64 << 20;
    constexpr qint64 Middle = 40 << 20;
    const QByteArray data = pattern(100 * 1024);
    const QString source = path(QStringLiteral("sparse.bin"));
    {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(Size));
        ASSERT_TRUE(file.write(data) == data.size() && file.seek(Middle) && file.write(data) == data.size());
    }
    std::unique_ptr<TLocalFileReader> reader = TLocalFileReader::Open(source);
    ASSERT_TRUE(reader);
    TFileStatus status;
    ASSERT_TRUE(reader->Status(status));
    ASSERT_EQ(status.Size, Size);
    if (status.AllocatedSize >= Size)
        GTEST_SKIP() << "this file system keeps no holes";
    EXPECT_EQ(status.ReservableSize(), 0);

    const QString target = path(QStringLiteral("copy.bin"));
    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(target));
    writer.Reserve(status.ReservableSize());
    char buffer[TAtomicFileWriter::BufferSize];
    qint64 copied = 0;
    for (TCopiedBlock block; (block = writer.CopyBlockFrom(*reader, buffer, sizeof(buffer))).Count > 0;) {
        ASSERT_EQ(block.Failure, TCopiedBlock::NoFailure) << writer.ErrorString().toStdString();
        copied += block.Count;
    }
    EXPECT_EQ(copied, Size);
    ASSERT_TRUE(writer.Commit()) << writer.ErrorString().toStdString();

    QByteArray expected(Size, '\0');
    expected.replace(0, data.size(), data);
    expected.replace(Middle, data.size(), data);
    EXPECT_TRUE(contents(target) == expected);
    std::unique_ptr<TLocalFileReader> copy = TLocalFileReader::Open(target);
    ASSERT_TRUE(copy);
    TFileStatus copyStatus;
    ASSERT_TRUE(copy->Status(copyStatus));
    EXPECT_EQ(copyStatus.Size, Size);
    EXPECT_LE(copyStatus.AllocatedSize, status.AllocatedSize + (1 << 20));
}

TEST_F(TAtomicFileWriterTest, CommitNoReplaceNeverReplacesAFileThatCameMeanwhile)
{
    const QByteArray data = pattern(3 * Block);
    const QString other = path(QStringLiteral("setup (1).exe"));
    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(path(QStringLiteral("setup.exe"))));
    ASSERT_TRUE(writeInBlocks(writer, data));
    expectCommitNoReplaceKeepsTheNewcomer(writer, data, path(QStringLiteral("setup.exe")), other, other);
    EXPECT_EQ(entries(), QStringList({QStringLiteral("setup (1).exe"), QStringLiteral("setup.exe")}));
}

} // namespace

TEST_F(TAtomicFileWriterTest, AKeptPartIsContinuedByTheNextResumableWriterAndGoesAtTheCommit)
{
    const QString target = path(QStringLiteral("setup.exe"));
    const QByteArray data = pattern(3 * TAtomicFileWriter::BufferSize + 777);
    const qint64 half = data.size() / 2;
    {
        TAtomicFileWriter writer;
        ASSERT_TRUE(writer.OpenResumable(target)) << writer.ErrorString().toStdString();
        EXPECT_EQ(writer.KeptSize(), 0);
        writer.Restart("what it is");
        // A reservation never makes the kept part look longer than what arrived.
        writer.Reserve(data.size());
        ASSERT_TRUE(writer.Write(data.constData(), half));
        writer.Keep();
    }
    EXPECT_EQ(entries(), (QStringList{QStringLiteral(".setup.exe.resume.info"), QStringLiteral(".setup.exe.resume.part")}));
    EXPECT_EQ(contents(path(QStringLiteral(".setup.exe.resume.part"))), data.left(half));
    struct stat kept {};
    ASSERT_EQ(::stat(QFile::encodeName(path(QStringLiteral(".setup.exe.resume.part"))).constData(), &kept), 0);
    EXPECT_EQ(kept.st_mode & 0777, 0600u);
    qint64 peekedSize = 0;
    QByteArray peekedInfo;
    ASSERT_TRUE(TAtomicFileWriter::PeekKept(target, peekedSize, peekedInfo));
    EXPECT_EQ(peekedSize, half);
    EXPECT_EQ(peekedInfo, "what it is");

    // Another writer's ordinary Open leaves the kept part alone.
    TAtomicFileWriter other;
    ASSERT_TRUE(other.Open(path(QStringLiteral("other.exe"))));
    other.Discard();

    TAtomicFileWriter writer;
    ASSERT_TRUE(writer.OpenResumable(target));
    EXPECT_EQ(writer.KeptSize(), half);
    EXPECT_EQ(writer.KeptInfo(), "what it is");
    {
        // While it is held, a second resumable writer for the target writes a fresh file.
        TAtomicFileWriter second;
        ASSERT_TRUE(second.OpenResumable(target));
        EXPECT_EQ(second.KeptSize(), 0);
        EXPECT_NE(second.TemporaryPath(), writer.TemporaryPath());
    }
    ASSERT_TRUE(writer.Write(data.constData() + half, data.size() - half));
    ASSERT_TRUE(writer.Commit()) << writer.ErrorString().toStdString();
    EXPECT_EQ(contents(target), data);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("setup.exe")});
}

TEST_F(TAtomicFileWriterTest, KeptPartsGoWhenRestartedUndescribedCommittedByOthersOrLongForgotten)
{
    const QString target = path(QStringLiteral("setup.exe"));
    const QString part = path(QStringLiteral(".setup.exe.resume.part"));
    const QString info = path(QStringLiteral(".setup.exe.resume.info"));
    const auto keep = [&](const QByteArray& description) {
        TAtomicFileWriter writer;
        ASSERT_TRUE(writer.OpenResumable(target));
        writer.Restart(description);
        ASSERT_TRUE(writer.Write("0123456789", 10));
        writer.Keep();
    };

    // A part without a description is worth nothing: it is not kept.
    keep({});
    EXPECT_TRUE(entries().isEmpty()) << entries().join(QLatin1Char(' ')).toStdString();

    // Restart empties the part and describes it anew.
    keep("first");
    {
        TAtomicFileWriter writer;
        ASSERT_TRUE(writer.OpenResumable(target));
        ASSERT_EQ(writer.KeptSize(), 10);
        writer.Restart("second");
        EXPECT_EQ(writer.KeptSize(), 0);
        ASSERT_TRUE(writer.Write("ab", 2));
        writer.Keep();
    }
    EXPECT_EQ(contents(part), "ab");
    EXPECT_EQ(contents(info), "second");

    // The target written by an ordinary writer: the part is of no use any more.
    {
        TAtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(target));
        ASSERT_TRUE(writer.Write("whole", 5));
        ASSERT_TRUE(writer.Commit());
    }
    EXPECT_EQ(entries(), QStringList{QStringLiteral("setup.exe")});

    // A part nobody continued for the lifetime goes when any writer opens in its directory; a
    // younger one stays.
    keep("old");
    const QDateTime longAgo = QDateTime::currentDateTime().addDays(-TAtomicFileWriter::KeptPartialLifetimeDays - 1);
    {
        QFile old(part);
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        ASSERT_TRUE(old.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    TAtomicFileWriter young;
    ASSERT_TRUE(young.OpenResumable(path(QStringLiteral("young.exe"))));
    young.Restart("young");
    ASSERT_TRUE(young.Write("y", 1));
    young.Keep();
    TAtomicFileWriter any;
    ASSERT_TRUE(any.Open(path(QStringLiteral("any.exe"))));
    any.Discard();
    EXPECT_EQ(entries(), (QStringList{QStringLiteral(".young.exe.resume.info"), QStringLiteral(".young.exe.resume.part"),
                                      QStringLiteral("setup.exe")}));
}
