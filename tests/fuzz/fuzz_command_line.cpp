// The console program's command line: the option pass over the option table
// and the validation of the chosen mode. Each step ends with one of its
// documented codes, every setting stays within its buffer and the echo list
// within its entries, whatever the arguments are.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "driver/cgm_import.hpp"
#include "driver/command_line.hpp"
#include "driver/console_start.hpp"
#include "fuzz_support.hpp"

namespace {

template <std::size_t N>
void check_ended(const char (&setting)[N], const char* name) {
    FUZZ_CHECK(strnlen(setting, N) < N, "setting %s runs past its %zu bytes", name, N);
}

#define CHECK_ENDED(setting) check_ended(setting, #setting)

void check_settings_bounded() {
    CHECK_ENDED(single_part);
    CHECK_ENDED(part_list_file);
    CHECK_ENDED(part_list_path);
    CHECK_ENDED(global_outdir);
    CHECK_ENDED(program_log_file);
    CHECK_ENDED(program_result_file);
    CHECK_ENDED(action_list);
    CHECK_ENDED(detail_option);
    CHECK_ENDED(sheet_list);
    CHECK_ENDED(journal_file);
    CHECK_ENDED(cgm_extract_dir);
    CHECK_ENDED(cgm_topartfile);
    CHECK_ENDED(cgm_part_template);
    CHECK_ENDED(log_file_option_text);
    CHECK_ENDED(result_file_option_text);
    CHECK_ENDED(accuracy_option_text);
    CHECK_ENDED(global_max_assembly_level_String);
    CHECK_ENDED(cgm_def_color_option);
    CHECK_ENDED(lorn_revision_rule_name);
    CHECK_ENDED(cgm1_file);
    CHECK_ENDED(cgm2_file);
    CHECK_ENDED(cgm1_layer_text);
    CHECK_ENDED(cgm2_layer_text);
    CHECK_ENDED(cgm1_color_text);
    CHECK_ENDED(cgm2_color_text);
    CHECK_ENDED(cgm2_xoffset_text);
    CHECK_ENDED(cgm2_yoffset_text);
}

bool one_of(int code, std::initializer_list<int> codes) {
    for (int c : codes)
        if (c == code) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Relative names in the arguments resolve in the process's own folder.
    if (chdir(kvtx_fuzz::temp_dir().c_str()) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<std::string> arguments{"kavotalvex"};
    const int count = input.ConsumeIntegralInRange(1, INPUT_PARAMETER_ENTRIES + 10);
    for (int i = 0; i < count && input.remaining_bytes() > 0; ++i)
        arguments.push_back(input.ConsumeRandomLengthString(1500));
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    kvtx_fuzz::reset_state();
    set_run_defaults();
    static InputParameterList echo;
    echo.count = 0;
    int status = read_command_line(static_cast<int>(arguments.size()), argv.data(), echo);
    FUZZ_CHECK(one_of(status, {0, -1, -2}), "option pass gave %d", status);
    FUZZ_CHECK(echo.count >= 0 && echo.count <= INPUT_PARAMETER_ENTRIES, "echo list of %d entries",
               echo.count);
    for (int i = 0; i < echo.count; ++i)
        FUZZ_CHECK(strnlen(echo.entries[i], INPUT_PARAMETER_SIZE) < INPUT_PARAMETER_SIZE,
                   "echo entry %d runs past its buffer", i);
    check_settings_bounded();
    if (status != 0) return 0;

    // The validation logs to the run log: ours, never a file an argument names.
    const std::string log = kvtx_fuzz::temp_path("run.log");
    kvtx_fuzz::write_file(log, "");
    copy_text(program_log_file, log.c_str());
    const bool cgm_import = std::strcmp(action_list, kCgmImportAction) == 0;
    status = cgm_import ? validate_cgm_import_settings() : validate_check_settings();
    FUZZ_CHECK(cgm_import ? one_of(status, {0, -4}) : one_of(status, {0, -4, -5, -6}),
               "validation gave %d", status);
    check_settings_bounded();
    return 0;
}
