#include "widgets/ColorValue.h"
#include "widgets/FlatColorButton.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// Pixels of about the colour: antialiased text has few exact ones.
int CountPixelsNear(const QImage& image, QColor color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int distance = qAbs(pixel.red() - color.red()) + qAbs(pixel.green() - color.green())
                + qAbs(pixel.blue() - color.blue());
            count += distance < 90 ? 1 : 0;
        }
    }
    return count;
}

} // namespace

TEST(ColorValue, RedIsTheLowByte)
{
    EXPECT_EQ(ColorFromValue(0xb57400), QColor(0, 116, 181));
    EXPECT_EQ(ColorFromValue(0x800080), QColor(128, 0, 128));
    EXPECT_EQ(ColorFromValue(0x0000ff), QColor(255, 0, 0));
    EXPECT_EQ(ValueFromColor(QColor(0, 116, 181)), 0xb57400u);
    EXPECT_EQ(ValueFromColor(ColorFromValue(0x123456)), 0x123456u);
}

TEST(FlatColorButton, DrawsInColoursChangedAtRunTime)
{
    TFlatColorButton button;
    button.setText(QStringLiteral("Download"));
    button.resize(120, 30);
    button.show();
    EXPECT_EQ(button.focusPolicy(), Qt::TabFocus) << "a tab stop, that a click does not focus";

    // The blinking looks, one after the other on the same button.
    const struct {
        quint32 background;
        quint32 caption;
    } looks[] = {{0xb57400, 0xffffff}, {0xffffff, 0x000000}, {0xb57400, 0xffffff}};
    for (const auto& look : looks) {
        button.setColor(ColorFromValue(look.background));
        button.setFontColor(ColorFromValue(look.caption));
        const QImage image = button.grab().toImage();
        EXPECT_EQ(image.pixelColor(6, image.height() / 2), ColorFromValue(look.background)) << look.background;
        EXPECT_GT(CountPixelsNear(image, ColorFromValue(look.caption)), 30) << "caption in " << look.caption;
        // The border is a shade darker, so a white button on a white page still shows.
        EXPECT_LT(image.pixelColor(0, image.height() / 2).lightness(), ColorFromValue(look.background).lightness());
    }
}
