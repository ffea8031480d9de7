// Host memory registry and RQ_free.
#include "session/memory.hpp"

#include <rq/rq.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace standin {
namespace {

std::mutex& registry_mutex() {
    static std::mutex mutex;
    return mutex;
}

std::unordered_set<void*>& registry() {
    static auto* blocks = new std::unordered_set<void*>();  // outlives static destructors
    return *blocks;
}

}  // namespace

void* host_alloc(std::size_t bytes) {
    void* block = std::calloc(1, bytes == 0 ? 1 : bytes);
    if (block == nullptr) {
        std::fputs("kavohost: out of memory\n", stderr);
        std::abort();
    }
    std::lock_guard lock(registry_mutex());
    registry().insert(block);
    return block;
}

char* host_strdup(std::string_view text) {
    char* copy = static_cast<char*>(host_alloc(text.size() + 1));
    std::memcpy(copy, text.data(), text.size());
    return copy;
}

std::size_t host_blocks_in_use() {
    std::lock_guard lock(registry_mutex());
    return registry().size();
}

void copy_out(char* buffer, std::size_t size, std::string_view text) {
    if (buffer == nullptr || size == 0) return;
    std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

}  // namespace standin

extern "C" void RQ_free(void* data) {
    if (data == nullptr) return;
    {
        std::lock_guard lock(standin::registry_mutex());
        if (standin::registry().erase(data) == 1) {
            std::free(data);
            return;
        }
    }
    std::fprintf(stderr, "kavohost: RQ_free of %p, which is not host memory or was freed before\n",
                 data);
    std::abort();
}
