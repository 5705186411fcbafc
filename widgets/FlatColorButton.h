#pragma once

#include <QColor>
#include <QPushButton>

// A push button drawn entirely in its own background and caption colours, which can change at
// run time (the blinking next-step buttons). A border a shade darker than the background keeps
// a white button on a white page recognisable. Not a tab stop.
class TFlatColorButton : public QPushButton {
    Q_OBJECT

public:
    explicit TFlatColorButton(QWidget* parent = nullptr);

    QColor color() const { return FColor; }
    void setColor(const QColor& color);
    QColor fontColor() const { return FFontColor; }
    void setFontColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor FColor = Qt::white;
    QColor FFontColor = Qt::black;
};
