#include "viewer/LocalPath.h"

#include "common/RetryOnInterrupt.h"

#include <QFile>
#include <QUrl>

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

namespace kvd {

namespace {

bool namesEntry(const QByteArray& path)
{
    struct stat info {};
    return retryOnInterrupt([&] { return ::lstat(path.constData(), &info); }) == 0;
}

struct DirectoryCloser {
    void operator()(DIR* directory) const noexcept { ::closedir(directory); }
};

// The one entry of folder shown as `shown`; empty when none or several are.
QByteArray entryShownAs(const QByteArray& folder, const QString& shown)
{
    std::unique_ptr<DIR, DirectoryCloser> directory(::opendir(folder.isEmpty() ? "." : folder.constData()));
    if (!directory)
        return {};
    QByteArray found;
    while (const dirent* entry = ::readdir(directory.get())) {
        const QByteArray name(entry->d_name);
        if (QFile::decodeName(name) != shown)
            continue;
        if (!found.isEmpty())
            return {}; // ambiguous: two names show alike
        found = name;
    }
    return found;
}

} // namespace

QByteArray localPathOfUrl(const QUrl& url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

QByteArray localPathOfShownName(const QString& shown)
{
    const QByteArray encoded = QFile::encodeName(shown);
    if (namesEntry(encoded))
        return encoded;
    QByteArray path = shown.startsWith(QLatin1Char('/')) ? QByteArray("/") : QByteArray();
    const QStringList parts = shown.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QByteArray folder = path;
        const QByteArray prefix = path.isEmpty() || path.endsWith('/') ? path : path + '/';
        path = prefix + QFile::encodeName(part);
        if (namesEntry(path))
            continue;
        const QByteArray entry = entryShownAs(folder, part);
        if (entry.isEmpty())
            return encoded;
        path = prefix + entry;
    }
    return path;
}

} // namespace kvd
