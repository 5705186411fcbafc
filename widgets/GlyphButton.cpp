#include "widgets/GlyphButton.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace {

constexpr int HoverAlpha = 40;
constexpr int PressedAlpha = 80;
constexpr qreal CornerRadius = 3;
constexpr int FrameRoom = 3; // around the glyph in the size hint

} // namespace

TGlyphButton::TGlyphButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void TGlyphButton::setGlyph(const QPixmap& glyph)
{
    FGlyph = glyph;
    updateGeometry();
    update();
}

QSize TGlyphButton::sizeHint() const
{
    return FGlyph.deviceIndependentSize().toSize() + QSize(FrameRoom, FrameRoom);
}

void TGlyphButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool pressed = isDown();
    if (isEnabled() && (pressed || underMouse())) {
        // Lighten what lies behind on a dark background, darken it on a light one.
        const bool darkBackground = palette().color(QPalette::Window).lightness() < 128;
        QColor tint = darkBackground ? Qt::white : Qt::black;
        tint.setAlpha(pressed ? PressedAlpha : HoverAlpha);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(QRectF(rect()), CornerRadius, CornerRadius);
    }
    if (FGlyph.isNull())
        return;
    QStyleOption option;
    option.initFrom(this);
    const QPixmap glyph = isEnabled() ? FGlyph : style()->generatedIconPixmap(QIcon::Disabled, FGlyph, &option);
    const QSize glyphSize = FGlyph.deviceIndependentSize().toSize();
    const QPoint topLeft((width() - glyphSize.width()) / 2, (height() - glyphSize.height()) / 2 + (pressed ? 1 : 0));
    painter.drawPixmap(QRect(topLeft, glyphSize), glyph);
}
