#include "widgets/IconLinkLabel.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct TIconLinkLabelFixture : ::testing::Test {
    TIconLinkLabelFixture()
    {
        window.resize(300, 100);
        QPixmap icon(24, 24);
        icon.fill(Qt::blue);
        link = new TIconLinkLabel(&window);
        link->setIcon(icon);
        link->setCaption(QStringLiteral("Support Request"));
        link->setGeometry(43, 30, 140, 24);
        window.show();
    }

    QImage caption() const { return link->grab().toImage().copy(30, 0, link->width() - 30, link->height()); }
    QImage icon() const { return link->grab().toImage().copy(0, 0, 24, 24); }

    QWidget window;
    TIconLinkLabel* link = nullptr;
};

bool Contains(const QImage& image, QColor color)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).rgb() == color.rgb())
                return true;
        }
    }
    return false;
}

} // namespace

TEST_F(TIconLinkLabelFixture, ClickedOnReleaseInside)
{
    QSignalSpy clicked(link, &TIconLinkLabel::clicked);
    QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(60, 12));
    EXPECT_EQ(clicked.size(), 1);

    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(60, 12));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(60, 40)); // below the link
    QTest::mouseClick(link, Qt::RightButton, {}, QPoint(60, 12));
    EXPECT_EQ(clicked.size(), 1);
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(TIconLinkLabelFixture, UnderlinedWhileHoveredHighlightedWhilePressed)
{
    const QImage plain = caption();
    const QImage plainIcon = icon();
    const QColor highlight = link->palette().color(QPalette::Highlight);
    EXPECT_FALSE(Contains(plain, highlight));

    QTest::mouseMove(link, QPoint(60, 12));
    ASSERT_TRUE(link->underMouse());
    const QImage hovered = caption();
    EXPECT_NE(hovered, plain) << "the caption is underlined";
    EXPECT_EQ(icon(), plainIcon) << "the icon stays as it is";
    // The underline is a full row of caption pixels below the text.
    int underlineRows = 0;
    for (int y = 0; y < hovered.height(); ++y) {
        int dark = 0;
        for (int x = 0; x < 80; ++x)
            dark += hovered.pixelColor(x, y).lightness() < 128 ? 1 : 0;
        underlineRows += dark == 80 ? 1 : 0;
    }
    EXPECT_GE(underlineRows, 1);

    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(60, 12));
    EXPECT_TRUE(Contains(caption(), highlight));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(60, 12));
    EXPECT_FALSE(Contains(caption(), highlight));
}
