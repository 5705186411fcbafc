#pragma once

#include <QLabel>

// A label that opens its URL through the desktop shell when clicked: underlined, in the
// highlight colour, with a hand cursor; once the shell has accepted the URL the text turns
// purple for the rest of the label's life. A tab stop that Space, Return and Enter follow.
class TUrlLabel : public QLabel {
    Q_OBJECT

public:
    explicit TUrlLabel(QWidget* parent = nullptr);

    QString url() const { return FUrl; }
    void setUrl(const QString& url);
    bool isVisited() const { return FVisited; }
    // Opens the URL as a click does.
    void open();

signals:
    // After each click: whether the shell accepted the URL.
    void opened(bool success);

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString FUrl;
    bool FVisited = false;
    bool FPressed = false;
};
