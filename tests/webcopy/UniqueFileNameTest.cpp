#include "webcopy/PathHelpers.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

// Unique names chosen against a set of taken names, for a budget of bytes.
TEST(UniqueFileNameTest, TheNumberedNameAlwaysFitsTheBudget)
{
    struct Case {
        QString Name;
        int Taken;  // name(1) .. name(Taken) exist as well as the name
        int MaxBytes;
        QString Expected;
    };
    const QString longExtension = QLatin1Char('.') + QString(253, QLatin1Char('e'));  // 254 bytes
    const Case cases[] = {
        {QStringLiteral("a.zip"), 0, 255, QStringLiteral("a(1).zip")},
        {QStringLiteral("abcdef.zip"), 9, 12, QStringLiteral("abcd(10).zip")},
        // An extension that leaves no room for the number is cut with the name.
        {QStringLiteral("x") + longExtension, 0, 255, (QStringLiteral("x") + longExtension).left(252) + QStringLiteral("(1)")},
        {QStringLiteral(".bashrc"), 0, 6, QStringLiteral(".ba(1)")},
        {QStringLiteral("notes.txt"), 0, 8, QStringLiteral("n(1).txt")},
        {QString(3, QChar(u'é')) + QStringLiteral(".txt"), 0, 9, QStringLiteral("é(1).txt")},
        {QStringLiteral("b.") + QString(3, QChar(u'é')), 0, 6, QStringLiteral("b.(1)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name.toStdString() + " / " + std::to_string(c.MaxBytes));
        QSet<QString> taken{QStringLiteral("/d/") + c.Name};
        QString previous;
        for (int i = 0; i < c.Taken; ++i) {
            previous = MakeUniqueFileName(QStringLiteral("/d/") + c.Name,
                                          [&](const QString& path) { return taken.contains(path); }, c.MaxBytes);
            taken.insert(previous);
        }
        const QString unique = MakeUniqueFileName(QStringLiteral("/d/") + c.Name,
                                                  [&](const QString& path) { return taken.contains(path); }, c.MaxBytes);
        EXPECT_EQ(unique, QStringLiteral("/d/") + c.Expected);
        EXPECT_LE(unique.mid(3).toUtf8().size(), c.MaxBytes);
    }
}

} // namespace
