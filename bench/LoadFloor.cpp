// kvd_floor [--two-passes] FILE: the least work a summary of a KVD file can cost, as
// the yardstick of the load benchmark. Maps the file, splits every line after the
// column names into ";" fields, converts every field from column 2 on with
// std::from_chars and sums it. Prints the number of rows and the sum of each column.
// With --two-passes it then reads the table a second time, as a standard deviation
// summed around the mean must (the values are not kept: 8 bytes a value would be more
// than the file), and prints the sums of squared deviations too. One thread, no
// checks beyond what splitting and conversion need.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// The lines after the "[Data]" line and the column-name line.
std::string_view tableOf(std::string_view bytes)
{
    std::size_t data = bytes.find("\n[Data]");
    if (data == std::string_view::npos)
        return {};
    const std::size_t names = bytes.find('\n', data + 1);
    const std::size_t rows = names == std::string_view::npos ? names : bytes.find('\n', names + 1);
    return rows == std::string_view::npos ? std::string_view() : bytes.substr(rows + 1);
}

// Calls visit(column, value) for every measurement field of every row of the table.
template <class Visit>
long long forEachValue(std::string_view rest, Visit&& visit)
{
    long long rows = 0;
    while (!rest.empty()) {
        const std::size_t lineFeed = rest.find('\n');
        std::string_view line = rest.substr(0, lineFeed);
        rest.remove_prefix(lineFeed == std::string_view::npos ? rest.size() : lineFeed + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            break;
        ++rows;
        std::size_t column = 0;
        while (!line.empty()) {
            const void* found = std::memchr(line.data(), ';', line.size());
            const std::size_t length = found ? static_cast<std::size_t>(static_cast<const char*>(found) - line.data())
                                             : line.size();
            if (column >= 2) {
                double value = 0;
                std::from_chars(line.data(), line.data() + length, value);
                visit(column - 2, value);
            }
            ++column;
            line.remove_prefix(found ? length + 1 : line.size());
        }
    }
    return rows;
}

} // namespace

int main(int argc, char* argv[])
{
    const bool twoPasses = argc == 3 && std::string_view(argv[1]) == "--two-passes";
    if (argc != 2 && !twoPasses) {
        std::fprintf(stderr, "Usage: kvd_floor [--two-passes] FILE\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    const int file = ::open(path, O_RDONLY);
    struct stat status {};
    if (file < 0 || ::fstat(file, &status) != 0 || status.st_size == 0) {
        std::fprintf(stderr, "kvd_floor: cannot read %s\n", path);
        return 1;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
    if (mapped == MAP_FAILED) {
        std::fprintf(stderr, "kvd_floor: cannot map %s\n", path);
        return 1;
    }
    std::string_view rest = tableOf(std::string_view(static_cast<const char*>(mapped), size));

    std::vector<double> sums;
    const long long rows = forEachValue(rest, [&](std::size_t column, double value) {
        if (sums.size() <= column)
            sums.resize(column + 1, 0.0);
        sums[column] += value;
    });
    std::vector<double> squares(sums.size(), 0.0);
    if (twoPasses && rows > 0) {
        std::vector<double> means;
        for (const double sum : sums)
            means.push_back(sum / static_cast<double>(rows));
        forEachValue(rest, [&](std::size_t column, double value) {
            const double deviation = value - means[column];
            squares[column] += deviation * deviation;
        });
    }
    std::printf("rows %lld", rows);
    for (const double sum : sums)
        std::printf(" %.17g", sum);
    for (std::size_t column = 0; twoPasses && column < squares.size(); ++column)
        std::printf(" %.17g", squares[column]);
    std::printf("\n");
    return 0;
}
