#include "viewer/ImageList.h"

#include <QPainter>
#include <QSvgRenderer>

namespace kvd {

namespace {
constexpr const char* ImageNames[] = {
    "open", "close", "quit", "cascade", "tile_horizontal", "tile_vertical", "about", "save",
};
} // namespace

QPixmap drawing(const QString& name, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/kvdviewer/%1.svg").arg(name));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

ImageList::ImageList()
{
    for (const char* name : ImageNames) {
        QIcon icon;
        const QPixmap image = drawing(QString::fromLatin1(name), ImageSize);
        icon.addPixmap(image, QIcon::Normal);
        // Disabled buttons show their image greyed, as the style draws it.
        m_icons.push_back(icon);
    }
}

QIcon ImageList::icon(int index) const
{
    if (index < 0 || index >= count())
        return {};
    return m_icons[static_cast<std::size_t>(index)];
}

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(drawing(QStringLiteral("kvdviewer"), size));
    return icon;
}

} // namespace kvd
