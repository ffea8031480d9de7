// Operations on the work part around saving and the CGM import: forcing it to
// count as modified, logging its save history and deleting its drawing sheets.
#include "utils/part_operations.hpp"

#include <rq/rq.h>

#include <vector>

#include "common/rulers.hpp"
#include "common/run_settings.hpp"
#include "utils/part_history.hpp"
#include "utils/run_log.hpp"
#include "utils/work_part_objects.hpp"

namespace {

constexpr int kLineCreateHistory = 3878;
constexpr int kLineClearHistory = 3879;
constexpr int kLineAskHistory = 3880;
constexpr int kLineCountHistory = 3881;
constexpr int kLineSheetCycle = 3650;
constexpr int kLineDeleteDrawing = 3653;
constexpr std::size_t kSheetNameSize = 256;

}  // namespace

int force_part_modification() {
    const double origin[3] = {0.0, 0.0, 0.0};
    tag_t point = NULL_TAG;
    RQ_CURVE_create_point(origin, &point);
    RQ_OBJ_delete_object(point);
    return 0;
}

int log_part_history(const char* title) {
    const std::vector<PartHistoryEntry> entries = read_part_history(
        {kLineCreateHistory, kLineClearHistory, kLineAskHistory, kLineCountHistory});
    write_log(log_file_in_use, "%s", kHistoryRule.text);
    write_log(log_file_in_use, "%s", title != nullptr ? title : "");
    for (const PartHistoryEntry& entry : entries) {
        // The host's three texts in reverse order: machine, user, program.
        write_log(log_file_in_use, "%d %s %s %s %s", entry.version, entry.date.c_str(),
                  entry.machine.c_str(), entry.user.c_str(), entry.program.c_str());
    }
    write_log(log_file_in_use, "%s", kHistoryRule.text);
    return 0;
}

int delete_all_drawings() {
    // Every sheet is collected before the first is deleted, so that the
    // deletions do not disturb the cycle.
    std::vector<tag_t> sheets;
    const int code =
        for_each_in_work_part(RQ_drawing_type, [&sheets](tag_t sheet) { sheets.push_back(sheet); });
    // A cut cycle leaves sheets undeleted: it counts as a failure.
    int failures = check_rq_result(code, kLineSheetCycle, kUtilsUnit) != 0 ? 1 : 0;
    int n = 0;
    for (tag_t each : sheets) {
        ++n;
        char name[kSheetNameSize] = "";
        RQ_OBJ_ask_name(each, name);
        write_log(log_file_in_use, "Info: %d.) Deleting %s", n, name);
        if (check_rq_result(RQ_DRAW_delete_drawing(each), kLineDeleteDrawing, kUtilsUnit) == 0) {
            write_log(log_file_in_use, "Info: %d.) Deleting %s --> passed", n, name);
        } else {
            write_log(log_file_in_use, "Error:   Deleting %s", name);
            ++failures;
        }
    }
    write_log(log_file_in_use, "%s", "\n");
    return failures;
}
