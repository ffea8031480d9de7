// The floor of a report: its lines appended to a fresh file one
// open-append-close each, as the report writers append them (stdio with a
// line buffer of the caller's: open, one write, close). Prints the
// seconds taken and the number of lines.
//
//   kvtx_scale_floor <report> <scratch file>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

constexpr std::size_t kLineBufferSize = 10001;  // the longest report line and its newline

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <report> <scratch file>\n", argv[0]);
        return 2;
    }
    std::ifstream report(argv[1]);
    if (!report) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(report, line);) lines.push_back(std::move(line));

    const char* scratch = argv[2];
    std::remove(scratch);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& line : lines) {
        std::FILE* file = std::fopen(scratch, "a");
        if (file == nullptr) {
            std::fprintf(stderr, "%s: cannot append to %s\n", argv[0], scratch);
            return 1;
        }
        char buffer[kLineBufferSize];  // as the report writer does
        std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
        std::fputs(line.c_str(), file);
        std::fputc('\n', file);
        std::fclose(file);
    }
    const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
    std::remove(scratch);
    std::printf("%.6f %zu\n", taken.count(), lines.size());
    return 0;
}
