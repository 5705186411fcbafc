#pragma once

#include <QAbstractButton>
#include <QPixmap>

// A flat button that shows one glyph centred, with a light hover and pressed tint that suits a
// dark band as well as a white page. Not a tab stop; its tool tip is the usual one.
class TGlyphButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit TGlyphButton(QWidget* parent = nullptr);

    QPixmap glyph() const { return FGlyph; }
    void setGlyph(const QPixmap& glyph);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap FGlyph;
};
