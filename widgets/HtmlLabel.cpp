#include "widgets/HtmlLabel.h"

#include "widgets/AccessibleWidgets.h"

#include <QMouseEvent>
#include <QPainter>

#include <utility>

namespace {

// Room below the text of a label whose height follows its text.
constexpr int AutoHeightMargin = 6;

} // namespace

THtmlLabel::THtmlLabel(QWidget* parent)
    : QWidget(parent)
{
    InstallAccessibleWidgets();
    setMouseTracking(true);
}

QString THtmlLabel::plainText() const
{
    return textLayout().plainText();
}

void THtmlLabel::setHtml(const QString& html)
{
    if (html == FHtml)
        return;
    FHtml = html;
    textChanged();
}

void THtmlLabel::setAutoHeight(bool on)
{
    FAutoHeight = on;
    fitHeight();
}

void THtmlLabel::setVerticalCentering(bool on)
{
    FVerticalCentering = on;
    update();
}

const THtmlLayout& THtmlLabel::textLayout() const
{
    if (FLayoutWidth != width()) {
        FLayout = THtmlLayout(FHtml, font(), width());
        FLayoutWidth = width();
    }
    return FLayout;
}

QString THtmlLabel::anchorAt(QPoint point) const
{
    return textLayout().anchorAt(QPointF(point - textOrigin()));
}

QList<QRect> THtmlLabel::anchorRects(const QString& href) const
{
    QList<QRect> rects = textLayout().anchorRects(href);
    for (QRect& rect : rects)
        rect.translate(textOrigin());
    return rects;
}

void THtmlLabel::textChanged()
{
    FLayoutWidth = -1;
    FPressedHref.clear();
    setHoveredLink({});
    fitHeight();
    update();
}

void THtmlLabel::fitHeight()
{
    if (!FAutoHeight)
        return;
    const int wanted = textLayout().height() + AutoHeightMargin;
    if (height() != wanted)
        resize(width(), wanted);
}

QPoint THtmlLabel::textOrigin() const
{
    if (!FVerticalCentering)
        return {};
    return {0, (height() - textLayout().height()) / 2};
}

void THtmlLabel::setHoveredLink(const QString& href)
{
    if (href == FHoveredHref)
        return;
    FHoveredHref = href;
    if (href.isEmpty())
        unsetCursor();
    else
        setCursor(Qt::PointingHandCursor);
}

void THtmlLabel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        textChanged();
    QWidget::changeEvent(event);
}

void THtmlLabel::leaveEvent(QEvent* event)
{
    setHoveredLink({});
    QWidget::leaveEvent(event);
}

void THtmlLabel::mouseMoveEvent(QMouseEvent* event)
{
    setHoveredLink(anchorAt(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void THtmlLabel::mousePressEvent(QMouseEvent* event)
{
    FPressedHref.clear();
    if (event->button() == Qt::LeftButton)
        FPressedHref = anchorAt(event->position().toPoint());
    if (FPressedHref.isEmpty())
        event->ignore(); // not on a link: the click belongs to whatever is behind the text
}

void THtmlLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QString pressed = std::exchange(FPressedHref, QString());
    if (!pressed.isEmpty() && anchorAt(event->position().toPoint()) == pressed)
        emit anchorClicked(pressed);
}

void THtmlLabel::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QPoint origin = textOrigin();
    const QFont baseFont = font();
    const QColor textColor = palette().color(foregroundRole());
    const QColor linkColor = palette().color(QPalette::Link);
    for (const THtmlLayout::TRun& run : textLayout().runs()) {
        if (!event->rect().intersects(run.Rect.translated(origin).toAlignedRect()))
            continue;
        QColor color = textColor;
        if (!run.Href.isEmpty())
            color = linkColor;
        else if (run.Color.isValid() && isEnabled())
            color = run.Color;
        painter.setPen(color);
        painter.setFont(THtmlLayout::runFont(baseFont, run));
        painter.drawText(QPointF(run.Rect.left(), run.Baseline) + origin, run.Text);
    }
}

void THtmlLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitHeight();
}
