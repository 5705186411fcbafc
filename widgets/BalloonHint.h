#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;
class TBalloonHintWindow;

// Replaces the tool tips of one top-level window's widgets by balloons that point at the widget.
// Created with the window as its parent; the balloon hides when the mouse leaves the widget, on
// a click or a key, and after a while on its own.
class TBalloonHint : public QObject {
    Q_OBJECT

public:
    explicit TBalloonHint(QWidget* window);

    // Shows the widget's tool tip as a balloon; a widget without one hides the balloon.
    void showFor(QWidget* widget);
    void hideBalloon();

    TBalloonHintWindow* balloon() const { return FBalloon; }
    // The widget the visible balloon points at, or nullptr.
    QWidget* target() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(QObject* object) const;

    QWidget* FWindow;
    TBalloonHintWindow* FBalloon;
    QPointer<QWidget> FTarget;
    QTimer FHideTimer;
};
