#pragma once

#include <QPixmap>
#include <QPushButton>

// The platform's themed push button with an optional 20 x 20 glyph 6 pixels left of the
// caption; glyph and caption are centred together. Not a tab stop.
class TThemedButton : public QPushButton {
    Q_OBJECT

public:
    explicit TThemedButton(QWidget* parent = nullptr);

    QPixmap glyph() const { return FGlyph; }
    void setGlyph(const QPixmap& glyph);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap FGlyph;
};
