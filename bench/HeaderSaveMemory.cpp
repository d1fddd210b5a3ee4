// Measures how much the header save adds to the peak resident memory: generates a
// large KVD file in a temporary folder (in a child process, so that its buffers do not
// raise this process's peak), saves its header once and prints the peak resident set
// size before and after.
//
//   kvd_headersave_memory [MEGABYTES] [FOLDER]    (defaults: 500, the system's temp folder)

#include "document/HeaderSave.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

long peakResidentKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Writes a KVD file of about megabytes MiB in blocks of 1 MiB, LF line ends.
void writeFile(const std::string& path, long megabytes)
{
    std::string block;
    for (int row = 0; block.size() < (1 << 20); ++row)
        block += "object" + std::to_string(row) + ";source;" + std::to_string(row % 977) + ".25;1.5\n";
    std::ofstream out(path, std::ios::binary);
    out << "KVD file\n[Image]\nPixel=0.1\n[Data]\nId;Src;Area;Length\n";
    for (long i = 0; i < megabytes; ++i)
        out.write(block.data(), std::streamsize(block.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

void generateFile(const std::string& path, long megabytes)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            writeFile(path, megabytes);
        } catch (const std::exception&) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("cannot generate " + path);
}

} // namespace

int main(int argc, char** argv)
{
    const long megabytes = argc > 1 ? std::atol(argv[1]) : 500;
    const std::filesystem::path base = argc > 2 ? argv[2] : std::filesystem::temp_directory_path();
    const std::filesystem::path folder = base / ("kvd_headersave_memory." + std::to_string(::getpid()));
    std::filesystem::create_directory(folder);
    const std::string file = (folder / "large.kvd").string();
    int status = 0;
    try {
        generateFile(file, megabytes);
        const long before = peakResidentKiB();
        const auto start = std::chrono::steady_clock::now();
        const kvd::HeaderSaveResult result = kvd::saveHeader(file, {"KVD file", "[Image]", "Pixel=0.2"});
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        const long after = peakResidentKiB();
        std::printf("file: %ld MiB of data lines, backup %s\n", megabytes, result.backupPath.c_str());
        std::printf("peak RSS before the save: %ld KiB\n", before);
        std::printf("peak RSS after the save:  %ld KiB\n", after);
        std::printf("rise: %ld KiB; save took %.2f s\n", after - before, seconds.count());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        status = 1;
    }
    std::filesystem::remove_all(folder);
    return status;
}
