#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace kvd {

// Names of the objects that two starts of one program file share. The names keep one
// fixed form; sharedObjectPath() places one in the calling user's private folder.

// "TOneInstance::%d": the instance block of a program file of programSize bytes.
QString instanceBlockName(std::int32_t programSize);

// "TOneInstance::ShareStrMapName::%d": the size cell of the later start named appHandle.
QString sizeCellName(std::int32_t appHandle);

// "TOneInstance::ShareStrMapName::%d::%d": the command-line block of that start.
QString commandLineBlockName(std::int32_t appHandle);

// The path of the object `name` in the user's private runtime folder (RuntimeDir.h),
// where no other user can take or replace it. Throws kvd::Error when there is no
// such folder.
std::string sharedObjectPath(const QString& name);

// The size in bytes of the running executable, low 32 bits taken as signed; 0 when
// the executable cannot be examined. Copies of one build in different folders give
// the same number.
std::int32_t programFileSize();

} // namespace kvd
