#include "document/Document.h"

namespace kvd {

std::string captionForPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace kvd
