#pragma once

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>

#include <cstdlib>
#include <set>

namespace kvd::test {

#if defined(__SANITIZE_ADDRESS__)
// The sanitizers check some accesses through a pipe of their own; without room for it
// they report errors that are not there.
inline constexpr int SanitizerDescriptors = 2;
// A test that lets the code under test use up every descriptor leaves the sanitizers
// none for that pipe, so it cannot run under them.
inline constexpr bool SanitizersNeedDescriptors = true;
#else
inline constexpr int SanitizerDescriptors = 0;
inline constexpr bool SanitizersNeedDescriptors = false;
#endif

// Lowers the process's descriptor limit, for the lifetime of the object, so that only
// `free` more descriptors can be opened (the lowest free numbers count).
class FewFreeDescriptors {
public:
    explicit FewFreeDescriptors(int free)
    {
        std::set<int> open;
        if (DIR* folder = ::opendir("/proc/self/fd")) {
            while (const dirent* entry = ::readdir(folder)) {
                if (entry->d_name[0] != '.')
                    open.insert(std::atoi(entry->d_name));
            }
            open.erase(::dirfd(folder)); // free again below
            ::closedir(folder);
        }
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        int number = 0;
        for (int found = 0; found < free + SanitizerDescriptors || open.count(number) != 0; ++number)
            found += open.count(number) == 0 ? 1 : 0;
        rlimit limit = m_saved;
        limit.rlim_cur = static_cast<rlim_t>(number);
        EXPECT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    }
    ~FewFreeDescriptors() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    FewFreeDescriptors(const FewFreeDescriptors&) = delete;
    FewFreeDescriptors& operator=(const FewFreeDescriptors&) = delete;

private:
    rlimit m_saved {};
};

} // namespace kvd::test
