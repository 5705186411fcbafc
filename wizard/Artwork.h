#pragma once

#include <QPixmap>
#include <QString>

// The wizard's pictures are SVG sources compiled into the program and rendered at the
// size each role calls for, so they stay crisp and carry their transparency.
QPixmap ArtworkPicture(const QString& name);
