// A part list through the batch driver: each line is named (natively, or as a
// LORN name or bare part number in a LORN session) and gives exactly one line
// of the result file that starts with the line's name, or with its first
// 1,023 characters and the code -1003 for a line too long for a name.
#include <fuzzer/FuzzedDataProvider.h>
#include <rq/rq.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/batch_driver.hpp"
#include "driver/console_start.hpp"
#include "fuzz_support.hpp"

namespace {

constexpr std::size_t kListLineSize = 1024;

// The lines the driver reads: split at '\n', a CR before it dropped, each
// taken up to its first NUL as a name; a line too long keeps 1,023 characters.
struct ListLine {
    std::string name;
    bool too_long = false;
};

std::vector<ListLine> expected_lines(const std::string& list) {
    std::vector<ListLine> lines;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find('\n', start);
        if (end == std::string::npos) end = list.size();
        std::string line = list.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const bool too_long = line.size() >= kListLineSize;
        std::string name(line.c_str());
        if (too_long && name.size() > kListLineSize - 1) name.resize(kListLineSize - 1);
        lines.push_back({name, too_long});
    }
    return lines;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        FUZZ_CHECK(end != std::string::npos, "result file ends inside a line");
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool starts_with(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("KAVOHOST_LORN_DB", KVTX_SOURCE_DIR "/samples/lorn", 1);
    if (chdir(kvtx_fuzz::temp_dir().c_str()) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool lorn = input.ConsumeBool();
    const std::string list = input.ConsumeRemainingBytesAsString();
    const std::string list_file = kvtx_fuzz::temp_path("list.txt");
    const std::string result_file = kvtx_fuzz::temp_path("result.txt");
    kvtx_fuzz::write_file(list_file, list);

    kvtx_fuzz::reset_state();
    set_run_defaults();
    copy_text(part_list_file, list_file.c_str());
    copy_text(program_result_file, result_file.c_str());
    copy_text(global_outdir, (kvtx_fuzz::temp_dir() + "/").c_str());
    if (lorn) {
        char program[] = "kavotalvex";
        char* argv[] = {program, nullptr};
        FUZZ_CHECK(RQ_VRELMGR_initialize(1, argv) == 0, "LORN login to the sample database failed");
    } else {
        FUZZ_CHECK(RQ_initialize() == 0, "session did not open");
    }
    const int status = run_start_of_program();
    RQ_terminate();
    FUZZ_CHECK(status == 0, "part list run gave %d", status);

    const std::vector<ListLine> expected = expected_lines(list);
    const std::vector<std::string> written = split_lines(kvtx_fuzz::read_file(result_file));
    FUZZ_CHECK(written.size() == expected.size() + 1, "%zu result lines for %zu list lines",
               written.size() - 1, expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string& line = written[i + 1];
        const ListLine& part = expected[i];
        if (part.too_long) {
            FUZZ_CHECK(line == part.name + ";-1003;part name too long;N.N",
                       "line %zu: overlong name gives \"%.80s...\"", i + 1, line.c_str());
        } else {
            // A name that opens a part gives the part's result, any other -1001.
            FUZZ_CHECK(line == part.name + ";-1001;error loading part;N.N" ||
                           starts_with(line, part.name + ";"),
                       "line %zu: \"%.200s\" for the name \"%.200s\"", i + 1, line.c_str(),
                       part.name.c_str());
        }
    }
    return 0;
}
