#include "widgets/BalloonHintWindow.h"

#include "widgets/PreferredFont.h"

#include <QPainter>

namespace {

constexpr int MaxTextWidth = 320;
constexpr int PaddingX = 8;
constexpr int PaddingY = 5;
constexpr int CornerRadius = 5;
constexpr int PointerHeight = 10;
constexpr int PointerBase = 12;
constexpr int PointerOffset = 16; // preferred distance from the body's left edge to the tip

constexpr int TextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

TBalloonHintWindow::TBalloonHintWindow(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Smooth edges where the desktop composites windows; the mask set in pointAt() cuts the
    // shape out where it does not.
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setFont(PreferredFont(QStringLiteral("Tahoma"), 11));
}

void TBalloonHintWindow::setText(const QString& text)
{
    FText = text;
    update();
}

QSize TBalloonHintWindow::bodySize() const
{
    const QRect textRect = fontMetrics().boundingRect(QRect(0, 0, MaxTextWidth, 10000), TextFlags, FText);
    return {textRect.width() + 2 * PaddingX, textRect.height() + 2 * PaddingY};
}

QRect TBalloonHintWindow::bodyRect() const
{
    const QSize body = bodySize();
    return QRect(QPoint(0, FPointsUp ? PointerHeight : 0), body);
}

QPoint TBalloonHintWindow::tip() const
{
    return {FTipX, FPointsUp ? 0 : height() - 1};
}

void TBalloonHintWindow::pointAt(const QRect& target, const QRect& screen)
{
    const QSize body = bodySize();
    const QSize total(body.width(), body.height() + PointerHeight);
    const int tipX = target.center().x();
    FPointsUp = target.bottom() + total.height() <= screen.bottom() || target.top() - total.height() < screen.top();
    const int top = FPointsUp ? target.bottom() + 1 : target.top() - total.height();

    int left = tipX - PointerOffset;
    left = std::min(left, screen.right() + 1 - total.width());
    left = std::max(left, screen.left());
    // The pointer stays clear of the rounded corners.
    FTipX = std::clamp(tipX - left, CornerRadius + 1, total.width() - CornerRadius - 2);

    resize(total);
    move(left, top);
    setMask(QRegion(outline(0).toFillPolygon().toPolygon()));
    update();
}

// The balloon's outline, shrunk by `inset` pixels: the body's rounded rectangle joined with the
// pointer. The pointer is a slanted triangle whose base leans away from the nearer corner.
QPainterPath TBalloonHintWindow::outline(qreal inset) const
{
    const QRectF body = QRectF(bodyRect()).adjusted(inset, inset, -inset, -inset);
    QPainterPath path;
    path.addRoundedRect(body, CornerRadius - inset, CornerRadius - inset);

    const bool baseToRight = FTipX + PointerBase <= width() - CornerRadius - 1;
    const qreal baseNear = FTipX + (baseToRight ? inset : -inset);
    const qreal baseFar = baseToRight ? FTipX + PointerBase - 2 * inset : FTipX - PointerBase + 2 * inset;
    const qreal edge = FPointsUp ? body.top() + 1 : body.bottom() - 1; // overlaps the body's edge
    const qreal tipY = FPointsUp ? inset * 2 : height() - inset * 2;
    QPainterPath pointer;
    pointer.moveTo(baseNear, edge);
    pointer.lineTo(FTipX, tipY);
    pointer.lineTo(baseFar, edge);
    pointer.closeSubpath();
    return path.united(pointer);
}

void TBalloonHintWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Shadow), 1));
    painter.setBrush(palette().color(QPalette::ToolTipBase));
    painter.drawPath(outline(0.5));
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.drawText(bodyRect().adjusted(PaddingX, PaddingY, -PaddingX, -PaddingY), TextFlags, FText);
}
