#include "widgets/FlatColorButton.h"

#include "widgets/FocusMark.h"

#include <QPainter>

namespace {

// Hover and press tint the background towards the caption colour, so the feedback reads the
// same whichever pair of colours the button has at the moment.
QColor Blend(const QColor& from, const QColor& to, qreal amount)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * amount),
                            float(from.greenF() + (to.greenF() - from.greenF()) * amount),
                            float(from.blueF() + (to.blueF() - from.blueF()) * amount));
}

constexpr qreal HoverTint = 0.08;
constexpr qreal PressedTint = 0.18;
constexpr qreal DisabledCaption = 0.45;
constexpr int BorderDarkness = 130; // QColor::darker factor
constexpr qreal CornerRadius = 2.5;

} // namespace

TFlatColorButton::TFlatColorButton(QWidget* parent)
    : QPushButton(parent)
{
    // A tab stop; Return and Enter press it like Space (a button outside a dialog).
    setFocusPolicy(Qt::TabFocus);
    setAutoDefault(true);
    setAttribute(Qt::WA_Hover);
}

void TFlatColorButton::setColor(const QColor& color)
{
    if (FColor == color)
        return;
    FColor = color;
    update();
}

void TFlatColorButton::setFontColor(const QColor& color)
{
    if (FFontColor == color)
        return;
    FFontColor = color;
    update();
}

void TFlatColorButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    QColor fill = FColor;
    if (isDown())
        fill = Blend(FColor, FFontColor, PressedTint);
    else if (underMouse() && isEnabled())
        fill = Blend(FColor, FFontColor, HoverTint);
    painter.setPen(FColor.darker(BorderDarkness));
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), CornerRadius, CornerRadius);

    painter.setPen(isEnabled() ? FFontColor : Blend(FColor, FFontColor, DisabledCaption));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextShowMnemonic, text());
    DrawFocusMark(painter, *this, rect(), FFontColor);
}
