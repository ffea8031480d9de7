// The input loop of objprobe: ask for an object handle, report the object in
// the listing window, highlight it during a pause, rename it on "name=".
#include "objprobe/probe_loop.hpp"

#include <rq/rq.h>
#include <rq/rq_entry.h>

#include <cstdio>
#include <cstring>

#include "common/rulers.hpp"
#include "objprobe/probe_printers.hpp"
#include "objprobe/probe_tables.hpp"

namespace objprobe {
namespace {

constexpr std::size_t cue_size = 81;
constexpr std::size_t dialog_text_size = 133;

// What the host tells about one object.
struct ObjectData {
    int status = 0;
    int type = 0;
    int subtype = 0;
    char name[31] = {};
    tag_t part = NULL_TAG;
    char part_name[257] = {};
    int created = 0;
    int modified = 0;
    logical displayable = 0;
    logical transferable = 0;
    RQ_OBJ_disp_props_t display{};
};

void copy_bounded(char* out, std::size_t size, const char* text) {
    std::snprintf(out, size, "%s", text);
}

// Every value is cleared before it is asked, so an object without a name (or
// a failing query) never shows what an earlier object left behind.
void ask_object(tag_t object, ObjectData& data) {
    data = ObjectData{};
    data.status = RQ_OBJ_ask_status(object);
    if (data.status < RQ_OBJ_TEMPORARY || data.status > RQ_OBJ_ALIVE) return;
    RQ_OBJ_ask_type_and_subtype(object, &data.type, &data.subtype);
    RQ_OBJ_ask_name(object, data.name);
    RQ_OBJ_ask_owning_part(object, &data.part);
    RQ_PART_ask_part_name(data.part, data.part_name);
    RQ_OBJ_ask_cre_mod_versions(object, &data.created, &data.modified);
    RQ_OBJ_is_displayable(object, &data.displayable);
    if (data.displayable) RQ_OBJ_ask_display_properties(object, &data.display);
    RQ_OBJ_is_transferable(object, &data.transferable);
}

void print_details(const ObjectData& data) {
    probe_list_printf("Type         %d (%s)", data.type, type_name(data.type));
    probe_list_printf("Subtype      %d", data.subtype);
    probe_list_printf("Name         (%s)", data.name);
    probe_list_printf("owning part  (%s)", data.part_name);
    probe_list_printf("Created      %d", data.created);
    probe_list_printf("Modified     %d", data.modified);
    probe_list_printf("Displayable  %d", data.displayable ? 1 : 0);
    if (data.displayable) {
        probe_list_printf(" Layer        %d", data.display.layer);
        probe_list_printf(" Blank        %d", data.display.blank_status);
        probe_list_printf(" Color        %d", data.display.color);
        probe_list_printf(" Font         %d", data.display.font);
        probe_list_printf(" Line Width   %d", data.display.line_width);
    }
    probe_list_printf("Transferable %d", data.transferable ? 1 : 0);
}

// Reports the object of the handle; returns its tag (0 for an unknown handle).
tag_t show_object(const char* handle) {
    const tag_t object = RQ_TAG_ask_tag_of_handle(handle);
    ObjectData data;
    ask_object(object, data);
    probe_list_printf("%s", kProbeRule.text);
    probe_list_printf("Object Handle = %s", handle);
    probe_list_printf("Object ID     = %d", static_cast<int>(object));
    probe_list_printf("%s", kProbeRule.text);
    probe_list_printf("Status       %d (%s)", data.status, status_name(data.status));
    if (data.status < RQ_OBJ_TEMPORARY || data.status > RQ_OBJ_ALIVE) return object;
    print_details(data);
    RQ_DISP_set_highlight(object, 1);
    probe_list_printf("%s", kProbeRule.text);
    pause_prompt();
    RQ_DISP_set_highlight(object, 0);
    return object;
}

void rename_object(tag_t object, const char* input) {
    char new_name[dialog_text_size];
    get_text_after_nth_delimiter(input, 1, '=', new_name, sizeof new_name);
    RQ_OBJ_set_name(object, new_name);
    RQ_DISP_set_highlight(object, 0);
}

}  // namespace

int get_text_after_nth_delimiter(const char* text, int n, char delimiter, char* out,
                                 std::size_t out_size) {
    if (out == nullptr || out_size == 0) return 0;
    out[0] = '\0';
    if (text == nullptr || n < 1) return 0;
    const char* position = text;
    for (int found = 0; found < n; ++found) {
        position = std::strchr(position, delimiter);
        if (position == nullptr) return 0;
        ++position;
    }
    copy_bounded(out, out_size, position);
    return static_cast<int>(std::strlen(out));
}

void pause_prompt() {
    char cue[cue_size] = "Pause";
    char text[dialog_text_size] = "Weiter";
    int length = static_cast<int>(std::strlen(text));
    uc1600(cue, text, &length);
}

int run_probe_loop() {
    char cue[cue_size] = "EIngabe OBJ ID";
    char input[dialog_text_size] = "EIngabe OBJ-ID";
    int length = static_cast<int>(std::strlen(input));
    tag_t last_object = NULL_TAG;
    for (;;) {
        const int response = uc1600(cue, input, &length);
        if (response <= RQ_UI_CANCEL) return 0;
        input[dialog_text_size - 1] = '\0';
        char work[dialog_text_size];
        copy_bounded(work, sizeof work, input);
        if (work[0] != '\0') {
            if (std::strstr(work, "name=") != nullptr && last_object != NULL_TAG) {
                rename_object(last_object, work);
                return 0;
            }
            last_object = show_object(work);
        }
        length = static_cast<int>(std::strlen(input));
    }
}

}  // namespace objprobe
