// The text dialog uc1600, answered from a script: answers queued by tests or
// the host program first, then the lines of the file named by
// KAVOHOST_DIALOG ("-" for standard input), one answer a line:
// "<response code>" keeps the shown text, "<response code> <text>" replaces it.
// With no answer left the dialog is cancelled, so no caller loops forever.
#include <standin/testing.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <memory>

#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/text_out.hpp"

namespace standin {
namespace {

constexpr std::size_t max_cue = 80;
constexpr std::size_t max_text = 132;

struct Answer {
    int response = RQ_UI_CANCEL;
    std::optional<std::string> text;
};

struct DialogState {
    std::deque<Answer> queued;
    std::unique_ptr<std::ifstream> script;
    bool script_opened = false;
    std::vector<DialogEntry> entries;
};

DialogState& state() {
    static auto* the_state = new DialogState();
    return *the_state;
}

// Parses "<code>" or "<code> <text>"; false for a line without a leading code.
bool parse_answer(std::string line, Answer& answer) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const char* start = line.c_str();
    char* end = nullptr;
    const long code = std::strtol(start, &end, 10);
    if (end == start || (*end != '\0' && *end != ' ')) return false;
    if (code < -1000000 || code > 1000000) return false;
    answer.response = static_cast<int>(code);
    answer.text.reset();
    if (*end == ' ') answer.text = std::string(end + 1);
    return true;
}

std::istream* script_stream() {
    DialogState& s = state();
    if (!s.script_opened) {
        s.script_opened = true;
        const char* name = std::getenv("KAVOHOST_DIALOG");
        if (name != nullptr && *name != '\0' && std::strcmp(name, "-") != 0) {
            s.script = std::make_unique<std::ifstream>(name);
            if (!*s.script) {
                std::fprintf(stderr, "kavohost: dialog script %s cannot be read\n", name);
                s.script.reset();
            }
        }
    }
    if (s.script) return s.script.get();
    const char* name = std::getenv("KAVOHOST_DIALOG");
    if (name != nullptr && std::strcmp(name, "-") == 0) return &std::cin;
    return nullptr;
}

// The next answer; false when none is left.
bool next_answer(Answer& answer) {
    DialogState& s = state();
    if (!s.queued.empty()) {
        answer = s.queued.front();
        s.queued.pop_front();
        return true;
    }
    std::istream* in = script_stream();
    if (in == nullptr) return false;
    std::string line;
    while (std::getline(*in, line)) {
        if (parse_answer(line, answer)) return true;
        std::fprintf(stderr, "kavohost: dialog answer without a response code skipped: %s\n",
                     line.c_str());
    }
    return false;
}

void reset_dialogs() {
    DialogState& s = state();
    s.queued.clear();
    s.script.reset();
    s.script_opened = false;
    s.entries.clear();
}

struct Installer {
    Installer() { add_reset_hook(reset_dialogs); }
} installer;

}  // namespace

void queue_dialog_answer(int response, std::optional<std::string> text) {
    state().queued.push_back({response, std::move(text)});
}

void clear_dialog_answers() {
    state().queued.clear();
}

int queued_dialog_answers() {
    return static_cast<int>(state().queued.size());
}

const std::vector<DialogEntry>& dialog_entries() {
    return state().entries;
}

}  // namespace standin

using namespace standin;

extern "C" {

int uc1600(const char* cue, char text[133], int* length) {
    DialogEntry entry;
    if (cue != nullptr) entry.cue.assign(cue, strnlen(cue, max_cue));
    if (text != nullptr) {
        std::size_t shown = strnlen(text, max_text);
        if (length != nullptr && *length >= 0 && static_cast<std::size_t>(*length) < shown)
            shown = static_cast<std::size_t>(*length);
        entry.text_in.assign(text, shown);
    }
    Answer answer;
    if (int code = fault_code("uc1600")) {
        answer.response = code;  // the text stays as shown; no scripted answer is used
    } else {
        entry.scripted = next_answer(answer);
        if (!entry.scripted) answer = Answer{};
    }
    entry.response = answer.response;
    entry.text_out = entry.text_in;
    if (answer.response > RQ_UI_CANCEL && answer.text) {
        entry.text_out = answer.text->substr(0, max_text);
    }
    if (text != nullptr) {
        write_text(text, max_text + 1, entry.text_out);
        if (length != nullptr) *length = static_cast<int>(entry.text_out.size());
    }
    state().entries.push_back(std::move(entry));
    return answer.response;
}

}  // extern "C"
