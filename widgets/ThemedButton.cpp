#include "widgets/ThemedButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

constexpr int GlyphSize = 20;
constexpr int GlyphGap = 6;

} // namespace

TThemedButton::TThemedButton(QWidget* parent)
    : QPushButton(parent)
{
    // A tab stop (the style draws its focus mark); Return and Enter press it like Space.
    setFocusPolicy(Qt::TabFocus);
    setAutoDefault(true);
}

void TThemedButton::setGlyph(const QPixmap& glyph)
{
    FGlyph = glyph;
    updateGeometry();
    update();
}

QSize TThemedButton::sizeHint() const
{
    QSize hint = QPushButton::sizeHint();
    if (!FGlyph.isNull()) {
        hint.rwidth() += GlyphSize + GlyphGap;
        hint.setHeight(std::max(hint.height(), GlyphSize + 8));
    }
    return hint;
}

void TThemedButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    QRect content = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (isDown()) {
        content.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                          style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    const int captionWidth = option.fontMetrics.size(Qt::TextShowMnemonic, text()).width();
    const int glyphWidth = FGlyph.isNull() ? 0 : GlyphSize + GlyphGap;
    // A caption wider than the style's content area (a wider fallback font) may use the margins.
    const QRect area = glyphWidth + captionWidth <= content.width() ? content : QRect(0, content.top(), width(), content.height());
    const int left = area.left() + (area.width() - glyphWidth - captionWidth) / 2;
    if (!FGlyph.isNull()) {
        const QPixmap glyph
            = isEnabled() ? FGlyph : style()->generatedIconPixmap(QIcon::Disabled, FGlyph, &option);
        painter.drawPixmap(QRect(left, content.top() + (content.height() - GlyphSize) / 2, GlyphSize, GlyphSize),
                           glyph);
    }
    const QRect captionRect(left + glyphWidth, content.top(), captionWidth, content.height());
    painter.drawItemText(captionRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, option.palette,
                         isEnabled(), text(), QPalette::ButtonText);
}
