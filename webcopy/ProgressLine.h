#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

// A one-line text of fixed geometry for the progress dialog, cheap to change after every
// block. Its text is either set directly or made on demand by its TextSource once Invalidate
// says the source changed: text() is always current, while the line repaints at most about
// 60 times a second and lays nothing out. A text longer than the line is cut.
class TWcProgressLine : public QWidget {
    Q_OBJECT

public:
    explicit TWcProgressLine(const QString& text, QWidget* parent);

    const QString& text() const;
    void setText(const QString& text);

    std::function<QString()> TextSource;
    void Invalidate();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ScheduleRepaint();
    void Repaint();
    // Tells assistive technology that the text changed, at most every few seconds: a screen
    // reader that spoke every block would never finish a sentence.
    void Announce();

    mutable QString FText;
    mutable bool FStale = false;
    QElapsedTimer FLastRepaint;
    QElapsedTimer FLastAnnounce;
    QTimer FRepaintTimer;
};
