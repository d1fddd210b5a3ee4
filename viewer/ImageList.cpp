#include "viewer/ImageList.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace kvd {

namespace {
constexpr const char* ImageNames[] = {
    "open", "close", "quit", "cascade", "tile_horizontal", "tile_vertical", "about", "save",
};
} // namespace

QPixmap disabledImage(const QPixmap& image)
{
    // Grey and faint, so that an image drawn grey already (the close button's) still
    // reads as disabled.
    QImage faded = image.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < faded.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(faded.scanLine(y));
        for (int x = 0; x < faded.width(); ++x) {
            const int grey = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 2 / 5);
        }
    }
    return QPixmap::fromImage(faded);
}

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
        icon.addPixmap(disabledImage(image), QIcon::Disabled);
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
