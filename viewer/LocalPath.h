#pragma once

#include <QByteArray>
#include <QString>

class QUrl;

namespace kvd {

// Paths are bytes to the file system and text on screen. A name that is not valid in
// the locale's encoding (not valid UTF-8) is shown with replacement characters, and
// that text no longer names the file; these give the file system's bytes back.

// The bytes of the local path a file URL names: percent-encoded bytes are taken as
// they stand, valid UTF-8 or not.
QByteArray localPathOfUrl(const QUrl& url);

// The bytes of the path shown as `shown` (from a file dialog, say): its encoding in
// the locale when that names an entry. Otherwise each part of the path that names no
// entry is looked up among its folder's entries by the text they are shown as, and
// taken when exactly one is shown so. Where that fails too, the locale's encoding.
QByteArray localPathOfShownName(const QString& shown);

} // namespace kvd
