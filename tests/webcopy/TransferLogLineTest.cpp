#include "webcopy/TransferLogLine.h"

#include <gtest/gtest.h>

namespace {

TEST(TransferLogLineTest, EveryMessageIsOneLineOfValidUtf8)
{
    const QDateTime when(QDate(2000, 1, 2), QTime(13, 4));
    const struct {
        QString Message;
        QString Written;
    } cases[] = {
        {QStringLiteral("done upload:1"), QStringLiteral("done upload:1")},
        // A forged entry stays inside the line that carries it.
        {QStringLiteral("a.bin\r\n12:00 01/01/2000 : done upload:0"),
         QStringLiteral("a.bin\\r\\n12:00 01/01/2000 : done upload:0")},
        {QStringLiteral("lf\nname\ttab"), QStringLiteral("lf\\nname\\ttab")},
        {QStringLiteral("esc\x1b[2J del\x7f nul") + QChar(0), QStringLiteral("esc\\x1b[2J del\\x7f nul\\x00")},
        {QStringLiteral("nel") + QChar(0x85) + QStringLiteral("ls") + QChar(0x2028),
         QStringLiteral("nel\\u0085ls\\u2028")},
        {QStringLiteral("lone") + QChar(0xD800) + QStringLiteral("pair\U0001F600 é"),
         QStringLiteral("lone\uFFFDpair\U0001F600 é")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Message.toStdString());
        const QString line = TransferLogLine(when, c.Message);
        EXPECT_EQ(line, QStringLiteral("13:04 02/01/2000 : ") + c.Written + QStringLiteral("\r\n"));
        const QByteArray bytes = line.toUtf8();
        EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes);
    }
}

} // namespace
