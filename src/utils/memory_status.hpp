// Memory figures of the machine and of the process (Linux equivalents of the
// figures the report and the run log show).
#pragma once

#include <cstddef>
#include <cstdint>

struct MemoryFigures {
    std::int64_t load_percent = 0;            // used share of physical memory
    std::uint64_t avail_phys_bytes = 0;       // MemAvailable
    std::uint64_t avail_page_file_bytes = 0;  // SwapFree + MemAvailable
    std::uint64_t avail_virtual_bytes = 0;    // room left in the process's address space
};

// No limit on the address space (RLIMIT_AS unlimited).
inline constexpr std::uint64_t kNoAddressSpaceLimit = UINT64_MAX;

// Computes the figures from the texts of /proc/meminfo and /proc/self/status
// and the address-space limit in bytes; missing fields count as 0.
MemoryFigures compute_memory_figures(const char* meminfo_text, const char* status_text,
                                     std::uint64_t address_space_limit);
// Reads the figures of this machine and process.
MemoryFigures read_memory_figures();

// Logs the memory figures and writes the available virtual memory in KB.
int ask_memory_status(char* out, std::size_t out_size);
