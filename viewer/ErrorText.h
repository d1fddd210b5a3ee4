#pragma once

#include <QString>

namespace kvd {

// An error's text as the error box shows it: a full stop is added when the text's
// last character sorts after "." (letters, digits, ")" does not: it sorts before).
QString withFullStop(const QString& text);

} // namespace kvd
