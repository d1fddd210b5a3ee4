#include "viewer/ApplicationFonts.h"

#include <QFile>
#include <QFontDatabase>

namespace kvd {

namespace {
// The Tahoma-compatible face of Debian's fonts-wine package. Its bold companion
// (tahomabd.ttf) is left out: its strokes are hardly heavier than the regular
// face's, so bold header lines would not stand out; bold is drawn from the regular
// face instead.
constexpr const char* TahomaFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
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

QFont gridFont()
{
    QFont font = tahoma(13);
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

DocumentFonts documentFonts()
{
    return {tahoma(16, QFont::Bold), tahoma(13), gridFont()};
}

} // namespace kvd
