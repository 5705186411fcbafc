#include "wizard/Artwork.h"

#include "widgets/SvgPicture.h"

QPixmap ArtworkPicture(const QString& name)
{
    return SvgPicture(QStringLiteral(":/art/%1.svg").arg(name));
}
