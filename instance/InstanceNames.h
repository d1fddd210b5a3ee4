#pragma once

#include <QString>

#include <cstdint>
#include <string>

namespace kvd {

// Names of the objects that two starts of one program file share. The visible names
// keep one fixed form for every user; shmObjectName() turns one into the name of a
// POSIX shared memory object of the calling user.

// "TOneInstance::%d": the instance block of a program file of programSize bytes.
QString instanceBlockName(std::int32_t programSize);

// "TOneInstance::ShareStrMapName::%d": the size cell of the later start named appHandle.
QString sizeCellName(std::int32_t appHandle);

// "TOneInstance::ShareStrMapName::%d::%d": the command-line block of that start.
QString commandLineBlockName(std::int32_t appHandle);

// "/" + name + "@" + the effective user id. Shared memory objects live in one
// namespace for the whole machine, so each user gets names of their own.
std::string shmObjectName(const QString& name);

// The size in bytes of the running executable, low 32 bits taken as signed; 0 when
// the executable cannot be examined. Copies of one build in different folders give
// the same number.
std::int32_t programFileSize();

} // namespace kvd
