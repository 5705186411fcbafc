#pragma once

#include <QFont>
#include <QString>

// The named family when it is installed, otherwise the desktop's general sans-serif font.
// The size is in pixels: the windows are laid out for 96 dpi and are not rescaled.
QFont PreferredFont(const QString& family, int pixelSize, QFont::Weight weight = QFont::Normal);
