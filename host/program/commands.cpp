// Commands of the host program. Host calls go through the procedural
// interface as a plug-in's would; what only the host can do (raise events,
// answer dialogs, close the listing window) goes through the stand-in's API.
#include "commands.hpp"

#include <rq/rq.h>
#include <kavoopen/kavoopen.hpp>
#include <standin/picture.hpp>
#include <standin/testing.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace kavohost_run {
namespace {

constexpr const char* reason_names[] = {"create",      "open",     "save",   "save_as",
                                        "close",       "modified", "rename", "change_work_part",
                                        "post_save_as"};

std::string trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

bool parse_int(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || number < -1000000 || number > 1000000) return false;
    value = static_cast<int>(number);
    return true;
}

int parse_reason(const std::string& text) {
    int number = -1;
    if (parse_int(text, number)) return number >= 0 && number <= 8 ? number : -1;
    if (text == "cwp") return RQ_change_work_part_reason;
    for (int reason = 0; reason <= 8; ++reason) {
        if (text == reason_names[reason]) return reason;
    }
    return -1;
}

std::string fail_text(int code) {
    char message[133] = {};
    RQ_get_fail_message(code, message);
    return std::to_string(code) + " (" + message + ")";
}

// A host call's code as the command's outcome.
bool host_result(const char* what, const std::string& about, int code, std::string& error) {
    if (code == 0) return true;
    error = std::string(what) + (about.empty() ? "" : " " + about) + " failed: " + fail_text(code);
    return false;
}

// Runs a plug-in entry; an exception escaping it is reported, not passed on.
template <typename Call>
bool guarded(const char* entry, Call call, std::string& error) {
    try {
        call();
        return true;
    } catch (const KavoOpen::KavoException& e) {
        error = std::string(entry) + " threw: " + e.Message() + " (line " +
                std::to_string(e.SourceLine()) + " of " + e.SourceFile() + ")";
    } catch (const std::exception& e) {
        error = std::string(entry) + " threw: " + e.what();
    } catch (...) {
        error = std::string(entry) + " threw an unknown exception";
    }
    return false;
}

tag_t part_named(const std::string& name, std::string& error) {
    const tag_t part = standin::loaded_part(name);
    if (part == NULL_TAG) error = "no loaded part " + name;
    return part;
}

}  // namespace

int Interpreter::run(std::istream& in) {
    int failures = 0;
    int line_number = 0;
    std::string line;
    while (std::getline(in, line)) {
        ++line_number;
        if (!execute(line, line_number)) ++failures;
    }
    return failures;
}

bool Interpreter::execute(const std::string& raw, int line_number) {
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') return true;
    const auto space = line.find(' ', start);
    const std::string command =
        line.substr(start, space == std::string::npos ? space : space - start);
    const std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
    std::string error;
    if (dispatch(command, rest, error)) return true;
    std::fprintf(stderr, "kavohost-run: line %d: %s\n", line_number, error.c_str());
    return false;
}

bool Interpreter::dispatch(const std::string& command, const std::string& rest,
                           std::string& error) {
    const std::string argument = trim(rest);
    if (command == "echo") {
        std::printf("%s\n", rest.c_str());
        std::fflush(stdout);
        return true;
    }
    if (command == "load") return plugins_.load(argument, error);
    if (command == "use") {
        int number = 0;
        if (!parse_int(argument, number)) {
            error = "use needs a plug-in number";
            return false;
        }
        return plugins_.use(number, error);
    }
    if (command == "sta") return call_sta(error);
    if (command == "usr") return call_usr(argument, error);
    if (command == "unload") return unload(error);
    if (command == "open") {
        tag_t part = NULL_TAG;
        RQ_PART_load_status_t status{};
        return host_result("open", argument, RQ_PART_open(argument.c_str(), &part, &status), error);
    }
    if (command == "work" && argument == "none") {
        standin::clear_work_part();
        return true;
    }
    if (command == "work") {
        const tag_t part = part_named(argument, error);
        return part != NULL_TAG &&
               host_result("work", argument, RQ_ASSEM_set_work_part(part), error);
    }
    if (command == "save") return host_result("save", "", RQ_PART_save_work_only(), error);
    if (command == "save_as")
        return host_result("save_as", argument, RQ_PART_save_as(argument.c_str()), error);
    if (command == "close_all") return host_result("close_all", "", RQ_PART_close_all(), error);
    if (command == "event") return raise_event(argument, error);
    if (command == "dialog") return queue_dialog(rest, error);
    if (command == "close_listing") {
        standin::close_listing_window();
        return true;
    }
    if (command == "set" || command == "unset") {
        const auto blank = argument.find(' ');
        const std::string name = argument.substr(0, blank);
        if (name.empty() || name.find('=') != std::string::npos) {
            error = command + " needs a variable name";
            return false;
        }
        if (command == "unset") return ::unsetenv(name.c_str()) == 0;
        const std::string value = blank == std::string::npos ? "" : argument.substr(blank + 1);
        return ::setenv(name.c_str(), value.c_str(), 1) == 0;
    }
    if (command == "callbacks") {
        print_callbacks();
        return true;
    }
    if (command == "login") return login(argument, error);
    if (command == "copy") return copy_file(argument, error);
    if (command == "dialogs") {
        print_dialogs();
        return true;
    }
    if (command == "highlights") {
        print_highlights();
        return true;
    }
    if (command == "svg") return write_picture(argument, error);
    error = "unknown command: " + command;
    return false;
}

bool Interpreter::call_sta(std::string& error) {
    Plugin* plugin = plugins_.current();
    if (plugin == nullptr || plugin->sta == nullptr) {
        error = plugin == nullptr ? "no plug-in is loaded" : plugin->path + " has no rqsta";
        return false;
    }
    int retcode = 0;
    char param[1] = {'\0'};
    return guarded(
        "rqsta", [&] { plugin->sta(param, &retcode, 0); }, error);
}

bool Interpreter::call_usr(const std::string& param_text, std::string& error) {
    Plugin* plugin = plugins_.current();
    if (plugin == nullptr || plugin->usr == nullptr) {
        error = plugin == nullptr ? "no plug-in is loaded" : plugin->path + " has no rqusr";
        return false;
    }
    int retcode = 0;
    std::string param = param_text;  // the plug-in gets its own writable copy
    const int length = static_cast<int>(param.size());
    return guarded(
        "rqusr", [&] { plugin->usr(param.data(), &retcode, length); }, error);
}

bool Interpreter::unload(std::string& error) {
    int answer = -1;
    if (!guarded(
            "rqusr_ask_unload", [&] { answer = plugins_.unload(error); }, error))
        return false;
    if (answer < 0 && !error.empty()) return false;
    if (answer != 1) std::printf("plug-in stays loaded (rqusr_ask_unload returned %d)\n", answer);
    std::fflush(stdout);
    return true;
}

bool Interpreter::raise_event(const std::string& argument, std::string& error) {
    const auto blank = argument.find(' ');
    const std::string reason_text = argument.substr(0, blank);
    const std::string part_name = blank == std::string::npos ? "" : trim(argument.substr(blank));
    const int reason = parse_reason(reason_text);
    if (reason < 0) {
        error = "event needs a reason 0-8 or its name, not \"" + reason_text + "\"";
        return false;
    }
    tag_t part = RQ_ASSEM_ask_work_part();
    if (!part_name.empty()) {
        part = part_named(part_name, error);
        if (part == NULL_TAG) return false;
    } else if (part == NULL_TAG) {
        std::printf("event %s without a part (no work part)\n", reason_names[reason]);
        std::fflush(stdout);
    }
    standin::raise_part_event(reason, part);
    return true;
}

// "dialog <code>" keeps the shown text, "dialog <code> <text>" answers the text.
bool Interpreter::queue_dialog(const std::string& rest, std::string& error) {
    const auto blank = rest.find(' ');
    int response = 0;
    if (!parse_int(rest.substr(0, blank), response)) {
        error = "dialog needs a response code";
        return false;
    }
    if (blank == std::string::npos) {
        standin::queue_dialog_answer(response);
    } else {
        standin::queue_dialog_answer(response, rest.substr(blank + 1));
    }
    return true;
}

void Interpreter::print_callbacks() {
    for (const auto& call : standin::callback_calls()) {
        const char* handle = RQ_TAG_ask_handle_of_tag(call.part);
        char name[256] = {};
        if (handle == nullptr && RQ_PART_ask_part_name(call.part, name) != 0) name[0] = '\0';
        std::printf("callback %u reason %d (%s) part %s: ", call.id, call.reason,
                    reason_names[call.reason], handle != nullptr ? handle : name);
        if (call.threw) {
            std::printf("threw %s\n", call.exception.c_str());
        } else {
            std::printf("returned %d\n", call.result);
        }
    }
    std::fflush(stdout);
    standin::clear_callback_calls();
}

// "login [-u=user] [-p=password] [-g=group]": a LORN login, as a host
// started with these arguments makes.
bool Interpreter::login(const std::string& arguments, std::string& error) {
    std::vector<std::string> words{"kavohost-run"};
    std::size_t pos = 0;
    while ((pos = arguments.find_first_not_of(' ', pos)) != std::string::npos) {
        const std::size_t end = arguments.find(' ', pos);
        words.push_back(arguments.substr(pos, end == std::string::npos ? end : end - pos));
        pos = end;
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return host_result("login", "",
                       RQ_VRELMGR_initialize(static_cast<int>(words.size()), argv.data()), error);
}

// "copy <from> <to>": changes a file on disk behind the session's back, as
// another user saving a part does.
bool Interpreter::copy_file(const std::string& arguments, std::string& error) {
    const auto blank = arguments.find(' ');
    const std::string from = arguments.substr(0, blank);
    const std::string to = blank == std::string::npos ? "" : trim(arguments.substr(blank));
    if (from.empty() || to.empty()) {
        error = "copy needs a file and a target";
        return false;
    }
    std::error_code ec;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) error = "copy " + from + " " + to + " failed: " + ec.message();
    return !ec;
}

// "svg <out.svg> [sheet NAME]": a picture of the work part's work view, or
// of its sheet of that name (kavohost-svg draws more).
bool Interpreter::write_picture(const std::string& arguments, std::string& error) {
    const auto blank = arguments.find(' ');
    const std::string path = arguments.substr(0, blank);
    const std::string rest = blank == std::string::npos ? "" : trim(arguments.substr(blank));
    standin::PictureOptions options;
    if (rest.starts_with("sheet ")) {
        options.sheet = trim(rest.substr(6));
    } else if (!rest.empty() || path.empty()) {
        error = "svg needs a file, then nothing or sheet <name>";
        return false;
    }
    const tag_t part = RQ_ASSEM_ask_work_part();
    if (part == NULL_TAG) {
        error = "svg needs a work part";
        return false;
    }
    std::string reason;
    if (standin::write_part_picture(part, options, path, reason)) return true;
    error = "svg " + path + " failed: " + reason;
    return false;
}

// The text dialogs shown since the last "dialogs": cue, text shown, answer.
void Interpreter::print_dialogs() {
    const auto& entries = standin::dialog_entries();
    for (; dialogs_shown_ < entries.size(); ++dialogs_shown_) {
        const standin::DialogEntry& d = entries[dialogs_shown_];
        std::printf("dialog \"%s\" shown \"%s\" answer %d%s \"%s\"\n", d.cue.c_str(),
                    d.text_in.c_str(), d.response, d.scripted ? "" : " (none left)",
                    d.text_out.c_str());
    }
    std::fflush(stdout);
}

// The highlight changes since the last "highlights".
void Interpreter::print_highlights() {
    const auto& entries = standin::highlight_entries();
    for (; highlights_shown_ < entries.size(); ++highlights_shown_) {
        const standin::HighlightEntry& h = entries[highlights_shown_];
        std::printf("highlight %s %s\n", h.handle.c_str(), h.on ? "on" : "off");
    }
    std::fflush(stdout);
}

}  // namespace kavohost_run
