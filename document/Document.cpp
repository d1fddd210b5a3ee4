#include "document/Document.h"

#include "common/FilePath.h"

namespace kvd {

std::string captionForPath(const std::string& path)
{
    return splitPath(path).name;
}

} // namespace kvd
