// Test and fixture interface of the stand-in host: what the host recorded,
// session configuration, faults on demand, and a builder for part files.
// The product never includes this header; tests, benchmarks and the host
// program do.
#pragma once

#include <rq/rq.h>

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace standin {

// ---- session ------------------------------------------------------------------
// Unloads every part, closes the session (depth 0), clears records, faults,
// overrides and the clock; the next RQ_initialize starts a fresh session.
void reset_session();
int open_depth();

// ---- records ------------------------------------------------------------------
// Every RQ_print_syslog call is one entry, in call order.
const std::vector<std::string>& syslog_entries();
// Every RQ_UI_write_listing_window call is one entry.
const std::vector<std::string>& listing_entries();
bool listing_window_open();
void close_listing_window();  // as if the user closed it
int listing_window_opens();   // how often RQ_UI_open_listing_window opened it
void clear_records();

// ---- configuration ------------------------------------------------------------
// The release text RQ_get_release gives; nullopt: the host gives none.
void set_release_text(std::optional<std::string> text);
// The release text the stand-in gives when it is built for a host release
// ("7.5", "CR2212", as the build switch spells it); nullptr for others.
const char* default_release_text(const std::string& release);
// Host variable override for RQ_translate_variable; nullopt: unset.
void set_variable(const std::string& name, std::optional<std::string> value);
void clear_variables();
// Timers report this many elapsed seconds per measured interval (and processor
// seconds alike); a negative value returns to the real clock.
void set_fixed_clock(double seconds_per_interval);
// Host timers begun and not yet ended (nor retired for want of a handle).
int running_timers();
void set_pdm_active(int active);
std::string syslog_file_name();

// ---- faults -------------------------------------------------------------------
// Makes `call` (an RQ_ function name) return `code`. With a handle the fault
// applies only to calls about that object (or part, by its file name); times < 0
// means every call, otherwise the fault is used up after that many calls.
void set_fault(const std::string& call, int code, const std::string& handle = {}, int times = -1);
void clear_faults();
// Loads a fault table in the part-file fault syntax (a JSON array). Its texts
// are session texts (ISO-8859-1), as for set_fault.
void load_faults(const nlohmann::json& table);

// ---- part files ---------------------------------------------------------------
// A part file under construction. Objects get ids 1, 2, ... in creation order
// unless given; their handle is "<part id>:<id>".
// The texts of doc() are session texts: ISO-8859-1 bytes, as the part will
// hold them once loaded (a degree sign is "\xB0"). write() turns them into
// the file's UTF-8, so any byte 0x01-0xFF may go in; a test that needs exact
// file bytes (for example a character beyond U+00FF) writes the file itself.
class PartBuilder {
  public:
    explicit PartBuilder(std::string part_id);

    nlohmann::json& doc() { return doc_; }
    // Adds an object of the given type and subtype; returns its id. Extra
    // fields (name, layer, body, feature, ...) go in as the file format has them.
    std::int64_t add(int type, int subtype = 0, nlohmann::json fields = nlohmann::json::object());
    nlohmann::json& object(std::int64_t id);
    std::string handle(std::int64_t id) const;

    // Writes the part file (creating folders as needed).
    void write(const std::string& path) const;
    // Writes the part file and opens it in the session; returns the part tag.
    tag_t open(const std::string& path) const;

  private:
    nlohmann::json doc_;
    std::int64_t next_id_ = 1;
};

// Reads a part file into the session as RQ_PART_open does, without making it
// the work part; returns 0 and the tag, or the open's error code.
int load_part_file(const std::string& path, tag_t* part);
// Writes a loaded part to a file in the part-file format.
int save_part_file(tag_t part, const std::string& path);
// Why the last part file failed to load or save (empty after success).
std::string last_load_error();

// ---- interactive host ------------------------------------------------------------
// Every RQ_DISP_set_highlight call that reached an object, in call order.
struct HighlightEntry {
    tag_t object = NULL_TAG;
    std::string handle;
    int on = 0;
};
const std::vector<HighlightEntry>& highlight_entries();

// Text dialog (uc1600) answers. Queued answers come first, then the lines of
// the script named by KAVOHOST_DIALOG; when both are used up the dialog
// answers RQ_UI_CANCEL. An answer without a text keeps the shown text.
void queue_dialog_answer(int response, std::optional<std::string> text = std::nullopt);
void clear_dialog_answers();
int queued_dialog_answers();
struct DialogEntry {
    std::string cue;
    std::string text_in;
    int response = 0;
    std::string text_out;
    bool scripted = true;  // false: no answer was left, the dialog was cancelled
};
const std::vector<DialogEntry>& dialog_entries();

// Part-event callbacks. Each call of a registered callback is recorded with
// its result, or with the exception that escaped it (caught by the host).
struct CallbackCall {
    int reason = 0;
    tag_t part = NULL_TAG;
    RQ_registration_id_t id = 0;
    int result = 0;
    bool threw = false;
    std::string exception;  // what() of the escaped exception
    int depth = 0;  // 1 for an event the host raised, 2 for one raised inside a callback, ...
};
const std::vector<CallbackCall>& callback_calls();
void clear_callback_calls();
// Every event raised, callbacks or not: (reason, part) in order.
const std::vector<std::pair<int, tag_t>>& raised_events();
int registered_callbacks(int reason);  // -1: all reasons
// Raises a part event as the host does (reasons 0..8).
void raise_part_event(int reason, tag_t part);
// Drops the callbacks whose code lies in the loaded object (shared library)
// that holds `address`; returns how many. For a plug-in about to be unloaded.
int remove_callbacks_of_object(const void* address);

// Leaves the session without a work part (the parts stay loaded), as when the
// user closes the work part's window; no event is raised.
void clear_work_part();
// A loaded part by the name it was opened under or its file; 0 when none.
tag_t loaded_part(const std::string& name);

// The legacy line-width map (thin, normal, thick) of a loaded part; nullopt
// when the part is not loaded or has none.
std::optional<std::array<int, 3>> legacy_line_width_map(tag_t part);

}  // namespace standin
