#include "platform/BufferedFileReader.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

// A source that gives at most `piece` bytes a read, as a slow disk or a pipe may, and fails
// from `failAt` on.
class TPiecewiseReader : public TFileReader {
public:
    TPiecewiseReader(QByteArray data, qint64 piece, qint64 failAt = -1)
        : FData(std::move(data))
        , FPiece(piece)
        , FFailAt(failAt)
    {
    }
    bool Status(TFileStatus& status) override
    {
        status.Size = FData.size();
        return true;
    }
    qint64 Read(char* buffer, qint64 maxSize) override
    {
        ++Calls;
        if (FFailAt >= 0 && FPos >= FFailAt)
            return -1;
        const qint64 count = std::min({maxSize, FPiece, qint64(FData.size()) - FPos});
        std::memcpy(buffer, FData.constData() + FPos, size_t(count));
        FPos += count;
        return count;
    }
    QString Reason() const override { return QStringLiteral("Input/output error"); }

    int Calls = 0;

private:
    QByteArray FData;
    qint64 FPiece;
    qint64 FFailAt;
    qint64 FPos = 0;
};

QByteArray pattern(qint64 size)
{
    QByteArray data(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        data[i] = char(i * 7 + i / 251);
    return data;
}

} // namespace

TEST(TBufferedFileReaderTest, BlocksComeWholeWhateverPiecesTheSourceGivesAndInFewReads)
{
    constexpr qint64 Block = 4096;
    const QByteArray data = pattern(3 * TBufferedFileReader::BufferSize + 1234);
    for (const qint64 piece : {qint64(1000), Block, TBufferedFileReader::BufferSize}) {
        SCOPED_TRACE(piece);
        TPiecewiseReader source(data, piece);
        TBufferedFileReader reader(source);
        QByteArray received;
        char block[Block];
        qint64 count = 0;
        while ((count = reader.Read(block, Block)) > 0) {
            received.append(block, count);
            if (received.size() < data.size()) {
                ASSERT_EQ(count, Block) << "only the last block is short";
            }
        }
        EXPECT_EQ(count, 0);
        EXPECT_EQ(received, data);
        if (piece == TBufferedFileReader::BufferSize) {
            EXPECT_LE(source.Calls, data.size() / TBufferedFileReader::BufferSize + 2);
        }
    }
}

TEST(TBufferedFileReaderTest, AFailedReadShowsAtTheBlockThatNeedsItWithTheSourcesReason)
{
    const QByteArray data = pattern(100000);
    TPiecewiseReader source(data, 10000, 30000);
    TBufferedFileReader reader(source);
    char block[4096];
    qint64 delivered = 0;
    qint64 count = 0;
    while ((count = reader.Read(block, sizeof(block))) > 0)
        delivered += count;
    EXPECT_EQ(count, -1);
    EXPECT_EQ(delivered, 28672) << "every whole block before the failure arrives";
    EXPECT_EQ(reader.Reason(), QStringLiteral("Input/output error"));
}
