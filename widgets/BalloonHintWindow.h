#pragma once

#include <QPainterPath>
#include <QWidget>

// The balloon itself: a rounded body with a small pointer, a frame in the palette's shadow
// colour, and the text in the tool-tip colours. It never takes the focus.
class TBalloonHintWindow : public QWidget {
    Q_OBJECT

public:
    explicit TBalloonHintWindow(QWidget* parent = nullptr);

    QString text() const { return FText; }
    void setText(const QString& text);

    // Places the balloon so that its pointer touches the target, a rectangle in global
    // coordinates: below the target when the screen has room there, otherwise above it.
    void pointAt(const QRect& target, const QRect& screen);
    bool pointsUp() const { return FPointsUp; }
    // The pointer's tip, in balloon coordinates.
    QPoint tip() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize bodySize() const;
    QRect bodyRect() const;
    QPainterPath outline(qreal inset) const;

    QString FText;
    bool FPointsUp = true;
    int FTipX = 0;
};
