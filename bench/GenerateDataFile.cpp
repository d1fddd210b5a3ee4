// kvd_generate OUTPUT [OBJECTS] [SEED] [SOURCES]: writes a large, realistic KVD data
// file for the load benchmark. Two identifier columns (object, source) and twelve
// measurement columns, CR LF line ends, a few duplicate objects and several sources
// (SOURCES "few", the default), a source of its own for every object (SOURCES
// "per-object"), a number N of sources "src_1".."src_N" in random order, a source of
// its own for every object crafted against an unkeyed hash (SOURCES "crafted", see
// craftedSource), or sources named alike but not crafted (SOURCES "uncrafted"). The
// same arguments always give the same bytes.

#include <charconv>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// splitmix64: small, fast, and the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high).
    double uniform(double low, double high) { return low + (high - low) * double(next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t m_state;
};

struct Measurement {
    const char* name;
    double low;
    double high;
    int decimals;     // fixed notation with this many decimals; -1: scientific
};

const Measurement Measurements[] = {
    {"Area", 50, 200000, 1},         {"Perimeter", 30, 3000, 3},  {"ECD", 8, 500, 4},
    {"Major", 10, 800, 3},           {"Minor", 5, 400, 3},        {"Elongation", 1, 5, 4},
    {"Circularity", 0, 1, 5},        {"Transparency", 0, 1, 4},   {"MeanGrey", 0, 255, 3},
    {"StdGrey", 0, 80, 3},           {"Angle", -90, 90, 3},       {"Density", 1e-6, 1e-3, -1},
};

const char* const Sources[] = {"img_0001", "img_0002", "Img_0003", "img_0004", "cruise7_a", "cruise7_b", "lab"};

// FNV-1a 64 with a fixed finaliser and no key: the hash tables once hashed texts so.
std::uint64_t unkeyedHash(const std::string& text)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    hash *= 0xc4ceb9fe1a85ec53ULL;
    return hash ^ (hash >> 33);
}

// The next source name, from `counter` on, whose unkeyed hash has the top 8 of its low
// 32 bits zero: tables that took their slot from those bits started every such source
// in their first 1/256 of slots, one run every lookup walked (about 256 tries a name).
// Not `crafted`: the next name, whatever its hash.
std::string craftedSource(std::uint64_t& counter, bool crafted)
{
    for (;; ++counter) {
        std::string name = "src_";
        for (std::uint64_t rest = counter; rest > 0; rest /= 36)
            name += "0123456789abcdefghijklmnopqrstuvwxyz"[rest % 36];
        if (!crafted || (unkeyedHash(name) & 0xFF000000u) == 0) {
            ++counter;
            return name;
        }
    }
}

void appendNumber(std::string& out, double value, int decimals)
{
    char buffer[64];
    const auto result = decimals >= 0
        ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals)
        : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 4);
    out.append(buffer, result.ptr);
}

void appendHeader(std::string& out)
{
    out += "KVD 1.3 generated for the load benchmark\r\n"
           "[Sample]\r\nStation=North 12\r\nDepth=35.5\r\n\r\n"
           "[Process]\r\nPixelSize=0.0106\r\nThreshold=243\r\n"
           "[Data]\r\nObject;Source";
    for (const Measurement& m : Measurements) {
        out += ';';
        out += m.name;
    }
    out += "\r\n";
}

} // namespace

int main(int argc, char* argv[])
{
    const bool sourcePerObject = argc > 4 && std::strcmp(argv[4], "per-object") == 0;
    const bool crafted = argc > 4 && std::strcmp(argv[4], "crafted") == 0;
    const bool uncrafted = argc > 4 && std::strcmp(argv[4], "uncrafted") == 0;
    const long long sourceCount = argc > 4 ? std::atoll(argv[4]) : 0; // 0: a named kind
    if (argc < 2 || argc > 5
        || (argc > 4 && !sourcePerObject && !crafted && !uncrafted && sourceCount <= 0
            && std::strcmp(argv[4], "few") != 0)) {
        std::fprintf(stderr, "Usage: kvd_generate OUTPUT [OBJECTS] [SEED] [few|per-object|crafted|uncrafted|N]\n");
        return 2;
    }
    const long long objects = argc > 2 ? std::atoll(argv[2]) : 1000000;
    const std::uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20240611;
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::fprintf(stderr, "kvd_generate: cannot create %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }

    Random random(seed);
    std::string out;
    out.reserve(1 << 21);
    appendHeader(out);
    const long long perSource = objects / static_cast<long long>(std::size(Sources)) + 1;
    std::uint64_t craftCounter = 0;
    for (long long row = 1; row <= objects; ++row) {
        // Objects come in runs per source; one row in 100,000 repeats the object
        // number of the row before it (a duplicate when the source is the same).
        const long long object = row % 100000 == 0 ? row - 1 : row;
        out += std::to_string(object);
        out += ';';
        if (sourcePerObject)
            out += "src_" + std::to_string(row);
        else if (crafted || uncrafted)
            out += craftedSource(craftCounter, crafted);
        else if (sourceCount > 0)
            out += "src_" + std::to_string(1 + random.next() % static_cast<std::uint64_t>(sourceCount));
        else
            out += Sources[(row - 1) / perSource];
        for (const Measurement& m : Measurements) {
            out += ';';
            appendNumber(out, random.uniform(m.low, m.high), m.decimals);
        }
        out += "\r\n";
        if (out.size() >= (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), file);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), file);
    if (std::fclose(file) != 0) {
        std::fprintf(stderr, "kvd_generate: cannot write %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    return 0;
}
