#include "widgets/IconLinkLabel.h"

#include "widgets/AccessibleWidgets.h"
#include "widgets/FocusMark.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int IconSize = 24;
constexpr int CaptionGap = 6;
constexpr int CaptionLeft = IconSize + CaptionGap;

} // namespace

TIconLinkLabel::TIconLinkLabel(QWidget* parent)
    : QWidget(parent)
{
    InstallAccessibleWidgets();
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
}

void TIconLinkLabel::setIcon(const QPixmap& icon)
{
    FIcon = icon;
    update();
}

void TIconLinkLabel::setCaption(const QString& caption)
{
    FCaption = caption;
    updateGeometry();
    update();
}

QSize TIconLinkLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {CaptionLeft + metrics.horizontalAdvance(FCaption) + 1, std::max(IconSize, metrics.height())};
}

void TIconLinkLabel::setHovered(bool hovered)
{
    if (FHovered == hovered)
        return;
    FHovered = hovered;
    update();
}

void TIconLinkLabel::enterEvent(QEnterEvent* event)
{
    setHovered(true);
    QWidget::enterEvent(event);
}

void TIconLinkLabel::leaveEvent(QEvent* event)
{
    setHovered(false);
    QWidget::leaveEvent(event);
}

void TIconLinkLabel::mouseMoveEvent(QMouseEvent* event)
{
    // While the button is held the mouse is grabbed: enter and leave wait for the release.
    setHovered(rect().contains(event->position().toPoint()));
}

void TIconLinkLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    FPressed = true;
    setHovered(true);
    update();
}

void TIconLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !FPressed)
        return;
    FPressed = false;
    update();
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

void TIconLinkLabel::keyPressEvent(QKeyEvent* event)
{
    if (IsActivationKey(event->key())) {
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TIconLinkLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!FIcon.isNull()) {
        const QRect iconRect(0, (height() - IconSize) / 2, IconSize, IconSize);
        painter.drawPixmap(iconRect, FIcon);
    }
    const bool pressed = FPressed && FHovered;
    QFont captionFont = font();
    captionFont.setUnderline(FHovered);
    painter.setFont(captionFont);
    painter.setPen(palette().color(pressed ? QPalette::Highlight : foregroundRole()));
    const QRect captionRect(CaptionLeft, 0, width() - CaptionLeft, height());
    // A caption that does not fit (a wider fallback font) ends in an ellipsis, not mid-letter.
    const QString shown = QFontMetrics(captionFont).elidedText(FCaption, Qt::ElideRight, captionRect.width());
    painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    DrawFocusMark(painter, *this, captionRect.adjusted(-3, 0, 0, 0), palette().color(foregroundRole()));
}
