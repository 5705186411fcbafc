#include "widgets/HtmlLabel.h"
#include "widgets/PreferredFont.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString LinkText = QStringLiteral(
    "Read <A href=\"https://www.orvanta.test/a?x=1&amp;y=2\">the getting started guide with its many pages</A>"
    " or write to <A href=\"mailto:support@orvanta.test\">support</A>.");

// A shown label in a window of its own, as the pages hold them.
struct THtmlLabelFixture : ::testing::Test {
    THtmlLabelFixture()
    {
        window.resize(700, 300);
        label = new THtmlLabel(&window);
        label->setFont(PreferredFont(QStringLiteral("Segoe UI"), 15));
        label->setGeometry(19, 16, 250, 200);
        label->setHtml(LinkText);
        window.show();
    }

    QWidget window;
    THtmlLabel* label = nullptr;
};

} // namespace

TEST_F(THtmlLabelFixture, ClickOnALinkReportsItsExactHref)
{
    QSignalSpy clicked(label, &THtmlLabel::anchorClicked);
    const QList<QRect> guide = label->anchorRects(QStringLiteral("https://www.orvanta.test/a?x=1&y=2"));
    const QList<QRect> mail = label->anchorRects(QStringLiteral("mailto:support@orvanta.test"));
    ASSERT_GE(guide.size(), 2) << "the first link should wrap at this width";
    ASSERT_EQ(mail.size(), 1);

    QTest::mouseClick(label, Qt::LeftButton, {}, guide.last().center());
    QTest::mouseClick(label, Qt::LeftButton, {}, mail.first().center());
    ASSERT_EQ(clicked.size(), 2);
    EXPECT_EQ(clicked[0][0].toString(), QStringLiteral("https://www.orvanta.test/a?x=1&y=2"));
    EXPECT_EQ(clicked[1][0].toString(), QStringLiteral("mailto:support@orvanta.test"));

    // A hand over links only.
    QTest::mouseMove(label, guide.first().center());
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(label, QPoint(2, guide.first().center().y()));
    EXPECT_EQ(label->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(THtmlLabelFixture, ClicksAwayFromLinksReportNothing)
{
    QSignalSpy clicked(label, &THtmlLabel::anchorClicked);
    const QRect guide = label->anchorRects(QStringLiteral("https://www.orvanta.test/a?x=1&y=2")).first();
    const QRect mail = label->anchorRects(QStringLiteral("mailto:support@orvanta.test")).first();

    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(2, guide.center().y())); // "Read"
    QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(label->width() - 2, label->height() - 2));
    QTest::mouseClick(label, Qt::RightButton, {}, guide.center());
    // Pressed on one link, released on the other.
    QTest::mousePress(label, Qt::LeftButton, {}, guide.center());
    QTest::mouseRelease(label, Qt::LeftButton, {}, mail.center());
    EXPECT_EQ(clicked.size(), 0);
}

TEST_F(THtmlLabelFixture, AutoHeightFollowsTextWidthAndFont)
{
    label->setAutoHeight(true);
    EXPECT_EQ(label->height(), label->textLayout().height() + 6);
    const int oneWidth = label->height();

    label->resize(120, label->height());
    EXPECT_GT(label->height(), oneWidth);
    EXPECT_EQ(label->height(), label->textLayout().height() + 6);

    const int narrow = label->height();
    label->setFont(PreferredFont(QStringLiteral("Segoe UI"), 20));
    EXPECT_GT(label->height(), narrow);
    EXPECT_EQ(label->height(), THtmlLayout(LinkText, label->font(), 120).height() + 6);

    label->setHtml(QStringLiteral("one line"));
    EXPECT_EQ(label->height(), label->textLayout().lineHeight() + 6);
}

TEST_F(THtmlLabelFixture, VerticalCentringMovesTextAndLinksTogether)
{
    label->setGeometry(0, 0, 650, 51);
    label->setHtml(QStringLiteral("<P align=\"center\">Copyright 2022 <A href=\"website\">Orvanta Software</A>.</P>"));
    label->setVerticalCentering(true);
    const QList<QRect> link = label->anchorRects(QStringLiteral("website"));
    ASSERT_EQ(link.size(), 1);
    EXPECT_NEAR(link[0].center().y(), 25, 1);
    EXPECT_NEAR(link[0].center().x(), 325, 100);

    QSignalSpy clicked(label, &THtmlLabel::anchorClicked);
    QTest::mouseClick(label, Qt::LeftButton, {}, link[0].center());
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked[0][0].toString(), QStringLiteral("website"));
}
