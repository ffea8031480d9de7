// Memory for the object store's records (objects and their payloads): carved
// from 2 MB chunks that the kernel is asked to back with huge pages, so that
// walks over a large part cost few TLB misses. Released records are kept per
// size for the next ones; the chunks stay with the process.
#pragma once

#include <cstddef>

namespace standin {

void* pool_allocate(std::size_t bytes);
void pool_release(void* record, std::size_t bytes) noexcept;

}  // namespace standin

// Gives a record type the pool's allocation for `new` and `delete`.
#define STANDIN_POOLED_RECORD                                               \
    static void* operator new(std::size_t bytes) {                          \
        return ::standin::pool_allocate(bytes);                             \
    }                                                                       \
    static void operator delete(void* record, std::size_t bytes) noexcept { \
        ::standin::pool_release(record, bytes);                             \
    }
