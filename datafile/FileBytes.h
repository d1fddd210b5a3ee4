#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kvd {

// Called after every chunk read, with the bytes read so far and the file's size
// (the bytes read, where the file turned out longer than its size said).
using FileReadProgress = std::function<void(std::uint64_t bytesRead, std::uint64_t fileSize)>;

// The whole content of the file at path. Reads until the end of the file, also from
// pipes and from files that grow meanwhile; interrupted calls are retried.
// Throws IoError (errno and path, worded by systemErrorText) when the file cannot be
// opened or read, and Error when it holds more than MaxDataFileSize bytes.
std::string readFileBytes(const std::string& path, const FileReadProgress& progress = {});

} // namespace kvd
