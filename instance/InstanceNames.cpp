#include "instance/InstanceNames.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kvd {

namespace {
const QString kShareStrMapName = QStringLiteral("TOneInstance::ShareStrMapName");
}

QString instanceBlockName(std::int32_t programSize)
{
    return QStringLiteral("%1::%2").arg(QStringLiteral("TOneInstance")).arg(programSize);
}

QString sizeCellName(std::int32_t appHandle)
{
    return QStringLiteral("%1::%2").arg(kShareStrMapName).arg(appHandle);
}

QString commandLineBlockName(std::int32_t appHandle)
{
    return QStringLiteral("%1::%2::%3").arg(kShareStrMapName).arg(appHandle).arg(appHandle);
}

std::string shmObjectName(const QString& name)
{
    return "/" + name.toStdString() + "@" + std::to_string(geteuid());
}

std::int32_t programFileSize()
{
    struct stat info {};
    if (stat("/proc/self/exe", &info) != 0)
        return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(info.st_size));
}

} // namespace kvd
