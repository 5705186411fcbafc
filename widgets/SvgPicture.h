#pragma once

#include <QPixmap>
#include <QString>

// Renders an SVG picture (usually a compiled-in resource) at the size it was drawn for,
// keeping its transparency. A missing or broken picture gives a null pixmap.
QPixmap SvgPicture(const QString& path);
