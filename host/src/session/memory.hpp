// Host memory handed to callers: every block comes from host_alloc and goes
// back through RQ_free. The registry catches frees of foreign or already
// freed memory.
#pragma once

#include <cstddef>
#include <string_view>

namespace standin {

void* host_alloc(std::size_t bytes);  // zero-filled; never null
char* host_strdup(std::string_view text);
template <typename T>
T* host_array(std::size_t count) {
    return static_cast<T*>(host_alloc(count == 0 ? sizeof(T) : count * sizeof(T)));
}
std::size_t host_blocks_in_use();  // live host allocations (a test aid)

// Copies text into a caller buffer of `size` bytes, cut to size - 1 characters.
void copy_out(char* buffer, std::size_t size, std::string_view text);

}  // namespace standin
