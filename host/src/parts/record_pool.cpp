// The record pool: size classes of 16 bytes up to 512, each with a list of
// released records; larger records and sanitizer builds use the plain heap.
#include "parts/record_pool.hpp"

#include <array>
#include <cstdlib>
#include <new>

namespace standin {
namespace {

constexpr std::size_t kGranule = 16;
constexpr std::size_t kLargestPooled = 512;
constexpr std::size_t kChunkBytes = std::size_t{2} << 20;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPooling = false;  // the sanitizer watches every record on its own
#else
constexpr bool kPooling = true;
#endif

struct FreeRecord {
    FreeRecord* next;
};

struct Pool {
    std::array<FreeRecord*, kLargestPooled / kGranule + 1> released{};
    char* next = nullptr;  // unused rest of the current chunk
    char* end = nullptr;
};

Pool& pool() {
    static auto* the_pool = new Pool();  // stays valid during static destruction
    return *the_pool;
}

std::size_t size_class(std::size_t bytes) {
    return (bytes + kGranule - 1) / kGranule;
}

bool pooled(std::size_t bytes) {
    return kPooling && bytes != 0 && bytes <= kLargestPooled;
}

void new_chunk(Pool& p) {
    void* chunk = std::malloc(kChunkBytes);
    if (chunk == nullptr) throw std::bad_alloc();
    p.next = static_cast<char*>(chunk);
    p.end = p.next + kChunkBytes;
}

}  // namespace

void* pool_allocate(std::size_t bytes) {
    if (!pooled(bytes)) return ::operator new(bytes);
    Pool& p = pool();
    const std::size_t cls = size_class(bytes);
    if (FreeRecord* record = p.released[cls]) {
        p.released[cls] = record->next;
        return record;
    }
    const std::size_t rounded = cls * kGranule;
    if (p.next == nullptr || static_cast<std::size_t>(p.end - p.next) < rounded) new_chunk(p);
    void* record = p.next;
    p.next += rounded;
    return record;
}

void pool_release(void* record, std::size_t bytes) noexcept {
    if (record == nullptr) return;
    if (!pooled(bytes)) {
        ::operator delete(record);
        return;
    }
    Pool& p = pool();
    const std::size_t cls = size_class(bytes);
    auto* released = static_cast<FreeRecord*>(record);
    released->next = p.released[cls];
    p.released[cls] = released;
}

}  // namespace standin
