#include "instance/InstanceNames.h"

#include "common/Errors.h"
#include "instance/RuntimeDir.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kvd {

namespace {
const QString ShareStrMapName = QStringLiteral("TOneInstance::ShareStrMapName");
}

QString instanceBlockName(std::int32_t programSize)
{
    return QStringLiteral("%1::%2").arg(QStringLiteral("TOneInstance")).arg(programSize);
}

QString sizeCellName(std::int32_t appHandle)
{
    return QStringLiteral("%1::%2").arg(ShareStrMapName).arg(appHandle);
}

QString commandLineBlockName(std::int32_t appHandle)
{
    return QStringLiteral("%1::%2::%3").arg(ShareStrMapName).arg(appHandle).arg(appHandle);
}

std::string sharedObjectPath(const QString& name)
{
    const std::string folder = privateRuntimeDir();
    if (folder.empty())
        throw Error("No private folder of this user to meet other starts in");
    return folder + "/" + name.toStdString();
}

std::int32_t programFileSize()
{
    struct stat info {};
    if (stat("/proc/self/exe", &info) != 0)
        return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(info.st_size));
}

} // namespace kvd
