// Operations on the work part around saving: forcing it to count as modified,
// and logging its save history.
#include "utils/part_operations.hpp"

#include <rq/rq.h>

#include "common/run_settings.hpp"
#include "utils/part_history.hpp"
#include "utils/run_log.hpp"

namespace {

constexpr int kCreateHistoryCheckPoint = 3878;
constexpr int kClearHistoryCheckPoint = 3879;
constexpr int kAskHistoryCheckPoint = 3880;
constexpr int kCountHistoryCheckPoint = 3881;

constexpr char kHistoryRuler[] =
    "===================================================================";  // 67

}  // namespace

int force_part_modification() {
    const double origin[3] = {0.0, 0.0, 0.0};
    tag_t point = NULL_TAG;
    RQ_CURVE_create_point(origin, &point);
    RQ_OBJ_delete_object(point);
    return 0;
}

int log_part_history(const char* title) {
    const std::vector<PartHistoryEntry> entries =
        read_part_history({kCreateHistoryCheckPoint, kClearHistoryCheckPoint, kAskHistoryCheckPoint,
                           kCountHistoryCheckPoint});
    write_log(log_file_in_use, "%s", kHistoryRuler);
    write_log(log_file_in_use, "%s", title != nullptr ? title : "");
    for (const PartHistoryEntry& entry : entries) {
        // The host's three texts in reverse order: machine, user, program.
        write_log(log_file_in_use, "%d %s %s %s %s", entry.version, entry.date.c_str(),
                  entry.machine.c_str(), entry.user.c_str(), entry.program.c_str());
    }
    write_log(log_file_in_use, "%s", kHistoryRuler);
    return 0;
}
