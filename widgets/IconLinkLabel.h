#pragma once

#include <QPixmap>
#include <QWidget>

// A link made of a 24 x 24 icon and a caption 6 pixels after it. The caption is underlined while
// the mouse is over the link, and also drawn in the highlight colour while it is pressed. A tab
// stop that Space, Return and Enter follow.
class TIconLinkLabel : public QWidget {
    Q_OBJECT

public:
    explicit TIconLinkLabel(QWidget* parent = nullptr);

    QPixmap icon() const { return FIcon; }
    void setIcon(const QPixmap& icon);
    QString caption() const { return FCaption; }
    void setCaption(const QString& caption);

    QSize sizeHint() const override;

    // Follows the link as a click would.
    void click() { emit clicked(); }

signals:
    // A left click released over the link.
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setHovered(bool hovered);

    QPixmap FIcon;
    QString FCaption;
    bool FHovered = false;
    bool FPressed = false;
};
