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

constexpr const char* default_release = "Kavo Stand-in Host V12.0.2.9";

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
    return std::string(default_release);
}

std::optional<std::string> variable_value(const std::string& name) {
    if (auto it = overrides().find(name); it != overrides().end()) return it->second;
    if (const char* env = std::getenv(name.c_str())) return std::string(env);
    return std::nullopt;
}

}  // namespace

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

// "KAVOHOST_ASSEM_OPTIONS": up to 15 integers, separated by commas or blanks,
// for the fields in their order; fields not given keep their value. Any int
// is taken, also outside a field's named values. A value that is no integer
// leaves every field as it was (with a note on standard error).
void apply_env_assem_options(RQ_ASSEM_options_t& options) {
    const char* env = std::getenv("KAVOHOST_ASSEM_OPTIONS");
    if (env == nullptr || *env == '\0') return;
    int* const fields[] = {
        &options.load_options,        &options.parts_list,          &options.update,
        &options.emphasize,           &options.emphasize_color,     &options.failure_action,
        &options.maintain_work_part,  &options.load_latest,         &options.load_components,
        &options.load_fully,          &options.load_interpart_data, &options.load_substitution,
        &options.apply_to_all_levels, &options.load_wave_data,      &options.load_wave_parents};
    std::vector<int> values;
    const std::string text = env;
    std::size_t pos = 0;
    while ((pos = text.find_first_not_of(", ", pos)) != std::string::npos) {
        const std::size_t end = text.find_first_of(", ", pos);
        int value = 0;
        if (values.size() == std::size(fields) ||
            !env_int(text.substr(pos, end == std::string::npos ? end : end - pos), value)) {
            std::fprintf(
                stderr,
                "kavohost: KAVOHOST_ASSEM_OPTIONS \"%s\" is not 1 to 15 integers; ignored\n", env);
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
