#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

// A one-line text of fixed geometry for the progress dialog. It takes a new text at once
// (text() is always the latest) without any re-layout, and repaints at most about 60 times
// a second however often the text changes. A text longer than the line is cut.
class TWcProgressLine : public QWidget {
    Q_OBJECT

public:
    explicit TWcProgressLine(const QString& text, QWidget* parent);

    const QString& text() const { return FText; }
    void setText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Repaint();

    QString FText;
    QElapsedTimer FLastRepaint;
    QTimer FRepaintTimer;
};
