// Memory for the object store's records (objects and their payloads): carved
// one after the other from 2 MB chunks, so that a part's records lie together
// in load order, an object beside its payload, without a heap header between
// them, and walks over a large part touch few cache lines and pages. Released
// records are kept per size for the next ones; the chunks stay with the
// process. Records are aligned to 16 bytes; like the session, the pool serves
// one thread.
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
