#include "ApplicationFonts.h"

#include <QFile>
#include <QFontDatabase>

namespace kvd {

namespace {
// The Tahoma-compatible faces of Debian's fonts-wine package.
constexpr const char* TahomaFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/wine/fonts/tahomabd.ttf",
};
} // namespace

void loadApplicationFonts()
{
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    for (const char* path : TahomaFiles) {
        if (QFile::exists(QString::fromLatin1(path)))
            QFontDatabase::addApplicationFont(QString::fromLatin1(path));
    }
}

QFont tahoma(int pixelSize, QFont::Weight weight)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

} // namespace kvd

namespace kvd {

QFont gridFont()
{
    QFont font = tahoma(13);
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

} // namespace kvd
