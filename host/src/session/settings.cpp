// Session settings from the environment: the release text and host variables.
#include <standin/testing.hpp>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "session/faults.hpp"
#include "session/memory.hpp"
#include "session/session_internal.hpp"

namespace standin {
namespace {

// The release text of each host release the stand-in can act as: its last
// 'V' is followed by the release's major and minor number (docs/standin-host.md).
struct ReleaseText {
    const char* release;
    const char* text;
};
constexpr ReleaseText kReleaseTexts[] = {
    {"4", "Kavo Stand-in Host V4.0.0.9"},
    {"5", "Kavo Stand-in Host V5.0.0.9"},
    {"6", "Kavo Stand-in Host V6.0.0.9"},
    {"7", "Kavo Stand-in Host V7.0.0.9"},
    {"7.5", "Kavo Stand-in Host V7.5.0.9"},
    {"8.5", "Kavo Stand-in Host V8.5.0.9"},
    {"9", "Kavo Stand-in Host V9.0.0.9"},
    {"10", "Kavo Stand-in Host V10.0.0.9"},
    {"11", "Kavo Stand-in Host V11.0.0.9"},
    {"12", "Kavo Stand-in Host V12.0.1.9"},
    {"CR1880", "Kavo Stand-in Host V12.0.2.9 (CR1880)"},
    {"CR1926", "Kavo Stand-in Host V12.0.2.9 (CR1926)"},
    {"CR1980", "Kavo Stand-in Host V12.0.2.9 (CR1980)"},
    {"CR2007", "Kavo Stand-in Host V12.0.2.9 (CR2007)"},
    {"CR2212", "Kavo Stand-in Host V12.0.2.9"},
    {"CR2306", "Kavo Stand-in Host V12.0.2.9 (CR2306)"},
    {"CR2312", "Kavo Stand-in Host V12.0.2.9 (CR2312)"},
};

bool release_overridden = false;
std::optional<std::string> release_override;

std::map<std::string, std::optional<std::string>>& overrides() {
    static std::map<std::string, std::optional<std::string>> table;
    return table;
}

// Values handed out by RQ_translate_variable stay valid for the process: the
// caller never releases them.
struct HandedOut {
    std::map<std::string, const std::string*> by_name;
    std::deque<std::string> texts;
};

HandedOut& handed_out() {
    static auto* values = new HandedOut();
    return *values;
}

const char* keep_value(const std::string& name, const std::string& value) {
    HandedOut& h = handed_out();
    auto it = h.by_name.find(name);
    if (it != h.by_name.end() && *it->second == value) return it->second->c_str();
    h.texts.push_back(value);
    h.by_name[name] = &h.texts.back();
    return h.texts.back().c_str();
}

std::optional<std::string> release_text() {
    if (release_overridden) return release_override;
    if (const char* env = std::getenv("KAVOHOST_RELEASE")) {
        if (*env == '\0') return std::nullopt;
        return std::string(env);
    }
    const char* text = default_release_text(build_release());
    return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

// Major and minor number after the text's last 'V' ("...V8.5.0.9": 8, 5).
bool release_numbers(const std::string& text, int& major, int& minor) {
    const std::size_t v = text.rfind('V');
    return v != std::string::npos &&
           std::sscanf(text.c_str() + v + 1, "%d.%d", &major, &minor) == 2;
}

std::optional<std::string> variable_value(const std::string& name) {
    if (auto it = overrides().find(name); it != overrides().end()) return it->second;
    if (const char* env = std::getenv(name.c_str())) return std::string(env);
    return std::nullopt;
}

}  // namespace

const char* default_release_text(const std::string& release) {
    for (const ReleaseText& row : kReleaseTexts)
        if (release == row.release) return row.text;
    return nullptr;
}

// Hosts before 10 have no post-save-as event; a host without a readable
// release is taken for a current one.
bool has_post_save_as_event() {
    const auto text = release_text();
    int major = 0;
    int minor = 0;
    return !(text && release_numbers(*text, major, minor) && major >= 1 && major < 10);
}

void set_release_text(std::optional<std::string> text) {
    release_overridden = true;
    release_override = std::move(text);
}

void set_variable(const std::string& name, std::optional<std::string> value) {
    overrides()[name] = std::move(value);
}

void clear_variables() {
    overrides().clear();
}

void reset_settings() {
    release_overridden = false;
    release_override.reset();
    clear_variables();
}

namespace {

// A whole decimal int of the environment's text, or nothing.
bool env_int(const std::string& text, int& value) {
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || errno != 0 || *end != '\0' || number < INT_MIN || number > INT_MAX)
        return false;
    value = static_cast<int>(number);
    return true;
}

}  // namespace

// "KAVOHOST_ASSEM_OPTIONS": one integer per field of the record, separated by
// commas or blanks, for the fields in their order (15, or 14 for the hosts 4
// to 7.5); fields not given keep their value. Any int is taken, also outside
// a field's named values. A value that is no integer, or one too many, leaves
// every field as it was (with a note on standard error).
void apply_env_assem_options(RQ_ASSEM_options_t& options) {
    const char* env = std::getenv("KAVOHOST_ASSEM_OPTIONS");
    if (env == nullptr || *env == '\0') return;
    int* const fields[] = {
        &options.load_options,        &options.parts_list,          &options.update,
        &options.emphasize,           &options.emphasize_color,     &options.failure_action,
        &options.maintain_work_part,  &options.load_latest,         &options.load_components,
        &options.load_fully,
#ifndef KAVOHOST_LEGACY_RECORDS
        &options.load_interpart_data,
#endif
        &options.load_substitution,   &options.apply_to_all_levels, &options.load_wave_data,
        &options.load_wave_parents};
    static_assert(sizeof fields / sizeof fields[0] * sizeof(int) == sizeof options,
                  "every field of the record is listed");
    std::vector<int> values;
    const std::string text = env;
    std::size_t pos = 0;
    while ((pos = text.find_first_not_of(", ", pos)) != std::string::npos) {
        const std::size_t end = text.find_first_of(", ", pos);
        int value = 0;
        if (values.size() == std::size(fields) ||
            !env_int(text.substr(pos, end == std::string::npos ? end : end - pos), value)) {
            std::fprintf(stderr,
                         "kavohost: KAVOHOST_ASSEM_OPTIONS \"%s\" is not 1 to %zu integers; "
                         "ignored\n",
                         env, std::size(fields));
            return;
        }
        values.push_back(value);
        pos = end;
    }
    for (std::size_t i = 0; i < values.size(); ++i) *fields[i] = values[i];
}

// A pattern flag from its variable: an integer, non-zero is on.
void apply_env_flag(const char* variable, logical& flag) {
    const char* env = std::getenv(variable);
    if (env == nullptr || *env == '\0') return;
    int value = 0;
    if (!env_int(env, value)) {
        std::fprintf(stderr, "kavohost: %s \"%s\" is no integer; ignored\n", variable, env);
        return;
    }
    flag = value != 0 ? 1 : 0;
}

}  // namespace standin

using namespace standin;

extern "C" {

int RQ_get_release(char** release) {
    if (int code = fault_code("RQ_get_release")) return code;
    if (release == nullptr) return RQ_err_bad_argument;
    auto text = release_text();
    *release = text ? host_strdup(*text) : nullptr;
    return 0;
}

int RQ_translate_variable(const char* name, char** value) {
    if (int code = fault_code("RQ_translate_variable")) return code;
    if (value == nullptr) return RQ_err_bad_argument;
    *value = nullptr;
    if (name == nullptr || *name == '\0') return 0;
    auto found = variable_value(name);
    if (found) *value = const_cast<char*>(keep_value(name, *found));
    return 0;
}

}  // extern "C"
