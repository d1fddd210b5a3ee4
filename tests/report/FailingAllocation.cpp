// Preloaded into a child process: malloc refuses every request of the one size given
// in KVD_FAIL_ALLOCATION_OF, as if memory ran out at that request, and serves the rest.

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>

extern "C" void* __libc_malloc(std::size_t size);

namespace {

std::atomic<long long> refusedSize{-1}; // -1 until the environment is read

std::size_t sizeToRefuse()
{
    long long size = refusedSize.load(std::memory_order_relaxed);
    if (size < 0) {
        const char* text = std::getenv("KVD_FAIL_ALLOCATION_OF");
        size = text ? std::atoll(text) : 0;
        refusedSize.store(size, std::memory_order_relaxed);
    }
    return static_cast<std::size_t>(size);
}

} // namespace

extern "C" void* malloc(std::size_t size)
{
    if (size != 0 && size == sizeToRefuse()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}
