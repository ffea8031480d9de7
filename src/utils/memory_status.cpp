// Memory figures on Linux, and the memory query of the report's run data.
//
// Linux has no single call for the four figures of the report, so they are
// taken from /proc:
// - load: (MemTotal - MemAvailable) / MemTotal in percent;
// - available physical memory: MemAvailable;
// - available page file: SwapFree + MemAvailable (what could still be
//   committed without the OOM killer, the closest match of a page file);
// - available virtual memory of the process: the address-space limit
//   (RLIMIT_AS) minus the process's VmSize; without a limit the address space
//   of a 64-bit process is practically endless, so the memory the process
//   could really still get, MemAvailable + SwapFree, is reported instead.
#include "utils/memory_status.hpp"

#include "utils/run_log.hpp"

#include "common/text_buffer.hpp"

#include <sys/resource.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// The value in kB of "Key:   1234 kB" in a /proc text; 0 when missing.
std::uint64_t proc_field_kb(const char* text, const char* key) {
    if (text == nullptr) return 0;
    std::size_t key_length = std::strlen(key);
    for (const char* line = text; *line != '\0';) {
        if (std::strncmp(line, key, key_length) == 0 && line[key_length] == ':') {
            return std::strtoull(line + key_length + 1, nullptr, 10);
        }
        const char* next = std::strchr(line, '\n');
        if (next == nullptr) break;
        line = next + 1;
    }
    return 0;
}

std::string read_whole_file(const char* name) {
    std::ifstream file(name);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::uint64_t address_space_limit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return kNoAddressSpaceLimit;
    }
    return limit.rlim_cur;
}

long kilobytes(std::uint64_t bytes) {
    return static_cast<long>(bytes / 1024);
}

}  // namespace

MemoryFigures compute_memory_figures(const char* meminfo_text, const char* status_text,
                                     std::uint64_t address_space_limit) {
    const std::uint64_t total_kb = proc_field_kb(meminfo_text, "MemTotal");
    const std::uint64_t available_kb = proc_field_kb(meminfo_text, "MemAvailable");
    const std::uint64_t swap_free_kb = proc_field_kb(meminfo_text, "SwapFree");
    const std::uint64_t vm_size_kb = proc_field_kb(status_text, "VmSize");

    MemoryFigures figures;
    if (total_kb > 0 && available_kb <= total_kb) {
        figures.load_percent =
            static_cast<std::int64_t>((total_kb - available_kb) * 100 / total_kb);
    }
    figures.avail_phys_bytes = available_kb * 1024;
    figures.avail_page_file_bytes = (swap_free_kb + available_kb) * 1024;
    if (address_space_limit == kNoAddressSpaceLimit) {
        figures.avail_virtual_bytes = (available_kb + swap_free_kb) * 1024;
    } else {
        const std::uint64_t used = vm_size_kb * 1024;
        figures.avail_virtual_bytes = address_space_limit > used ? address_space_limit - used : 0;
    }
    return figures;
}

MemoryFigures read_memory_figures() {
    const std::string meminfo = read_whole_file("/proc/meminfo");
    const std::string status = read_whole_file("/proc/self/status");
    return compute_memory_figures(meminfo.c_str(), status.c_str(), address_space_limit());
}

int ask_memory_status(char* out, std::size_t out_size) {
    const MemoryFigures figures = read_memory_figures();
    write_log(log_file_in_use, "Info: Memory Load    = %ld\n",
              static_cast<long>(figures.load_percent));
    write_log(log_file_in_use, "Info: dwAvailPhys = %ld\n", kilobytes(figures.avail_phys_bytes));
    write_log(log_file_in_use, "Info: dwAvailPageFile = %ld\n",
              kilobytes(figures.avail_page_file_bytes));
    write_log(log_file_in_use, "Info: dwAvailVirtual = %ld\n",
              kilobytes(figures.avail_virtual_bytes));
    return static_cast<int>(
        format_text(out, out_size, "%llu",
                    static_cast<unsigned long long>(figures.avail_virtual_bytes / 1024)));
}
