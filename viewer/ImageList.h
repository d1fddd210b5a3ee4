#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

#include <vector>

namespace kvd {

// The tool bar images, 32 x 32 pixels, by index: 0 open, 1 close, 2 quit, 3 cascade,
// 4 tile horizontal, 5 tile vertical, 6 about, 7 save header.
class ImageList {
public:
    static constexpr int ImageSize = 32;

    ImageList();

    int count() const noexcept { return static_cast<int>(m_icons.size()); }
    QIcon icon(int index) const;

private:
    std::vector<QIcon> m_icons;
};

// How a tool bar image looks on a disabled button: grey and faint.
QPixmap disabledImage(const QPixmap& image);

// A picture of the program's resources drawn at `size` pixels square, from its SVG
// drawing (name without ".svg", e.g. "picture" or "kvdviewer").
QPixmap drawing(const QString& name, int size);

// The program's icon, drawn at the usual icon sizes.
QIcon applicationIcon();

} // namespace kvd
