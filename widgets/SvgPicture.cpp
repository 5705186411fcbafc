#include "widgets/SvgPicture.h"

#include <QPainter>
#include <QSvgRenderer>

QPixmap SvgPicture(const QString& path)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(renderer.defaultSize());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}
