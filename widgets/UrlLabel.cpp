#include "widgets/UrlLabel.h"

#include "platform/Shell.h"
#include "widgets/AccessibleWidgets.h"
#include "widgets/ColorValue.h"
#include "widgets/FocusMark.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr quint32 VisitedColor = 0x800080;

} // namespace

TUrlLabel::TUrlLabel(QWidget* parent)
    : QLabel(parent)
{
    InstallAccessibleWidgets();
    setFocusPolicy(Qt::TabFocus);
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setForegroundRole(QPalette::Highlight);
    QPalette visited = palette();
    visited.setColor(QPalette::LinkVisited, ColorFromValue(VisitedColor));
    setPalette(visited);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
}

void TUrlLabel::setUrl(const QString& url)
{
    FUrl = url;
}

void TUrlLabel::changeEvent(QEvent* event)
{
    // A font given later (the window's font) keeps the underline.
    if (event->type() == QEvent::FontChange && !font().underline()) {
        QFont underlined = font();
        underlined.setUnderline(true);
        setFont(underlined);
    }
    QLabel::changeEvent(event);
}

void TUrlLabel::mousePressEvent(QMouseEvent* event)
{
    FPressed = event->button() == Qt::LeftButton;
    if (!FPressed)
        QLabel::mousePressEvent(event);
}

void TUrlLabel::keyPressEvent(QKeyEvent* event)
{
    if (IsActivationKey(event->key())) {
        open();
        return;
    }
    QLabel::keyPressEvent(event);
}

void TUrlLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    QPainter painter(this);
    // The mark runs along the label's edge, around the text.
    DrawFocusMark(painter, *this, rect().adjusted(-2, -2, 2, 2), palette().color(foregroundRole()));
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !FPressed) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    FPressed = false;
    if (rect().contains(event->position().toPoint()))
        open();
}

void TUrlLabel::open()
{
    if (FUrl.isEmpty())
        return;
    TShellStartRequest request;
    request.Verb = QStringLiteral("Open");
    request.File = FUrl;
    request.ShowCommand = 1;
    TShellStartResult result = ShellStart(request);
    result.Process.close(); // the opener runs on by itself; nothing here waits for it
    if (result.Success && !FVisited) {
        FVisited = true;
        setForegroundRole(QPalette::LinkVisited);
    }
    emit opened(result.Success);
}
