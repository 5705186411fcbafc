#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A flat button that shows one glyph centred, with a light hover and pressed tint that suits a
// dark band as well as a white page. A tab stop that Space, Return and Enter press; its tool tip
// is its name for assistive technology.
class TGlyphButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit TGlyphButton(QWidget* parent = nullptr);

    QPixmap glyph() const { return FGlyph; }
    void setGlyph(const QPixmap& glyph);

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap FGlyph;
};
