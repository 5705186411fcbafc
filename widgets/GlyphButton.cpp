#include "widgets/GlyphButton.h"

#include "widgets/FocusMark.h"

#include <QKeyEvent>
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
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void TGlyphButton::setGlyph(const QPixmap& glyph)
{
    FGlyph = glyph;
    updateGeometry();
    update();
}

bool TGlyphButton::event(QEvent* event)
{
    // Without a caption the tool tip is what the button is called.
    if (event->type() == QEvent::ToolTipChange)
        setAccessibleName(toolTip());
    return QAbstractButton::event(event);
}

void TGlyphButton::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
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
    const bool darkBackground = palette().color(QPalette::Window).lightness() < 128;
    if (isEnabled() && (pressed || underMouse())) {
        // Lighten what lies behind on a dark background, darken it on a light one.
        QColor tint = darkBackground ? Qt::white : Qt::black;
        tint.setAlpha(pressed ? PressedAlpha : HoverAlpha);
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(QRectF(rect()), CornerRadius, CornerRadius);
    }
    DrawFocusMark(painter, *this, rect(), darkBackground ? QColor(Qt::white) : palette().color(QPalette::WindowText));
    if (FGlyph.isNull())
        return;
    QStyleOption option;
    option.initFrom(this);
    const QPixmap glyph = isEnabled() ? FGlyph : style()->generatedIconPixmap(QIcon::Disabled, FGlyph, &option);
    const QSize glyphSize = FGlyph.deviceIndependentSize().toSize();
    const QPoint topLeft((width() - glyphSize.width()) / 2, (height() - glyphSize.height()) / 2 + (pressed ? 1 : 0));
    painter.drawPixmap(QRect(topLeft, glyphSize), glyph);
}
