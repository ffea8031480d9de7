// Operations on the work part around saving: forcing it to count as modified,
// and logging its save history.
#include "utils/part_operations.hpp"

#include <rq/rq.h>

#include <ctime>

#include "common/run_settings.hpp"
#include "utils/run_log.hpp"

namespace {

constexpr int kCreateHistoryCheckPoint = 3878;
constexpr int kClearHistoryCheckPoint = 3879;
constexpr int kAskHistoryCheckPoint = 3880;
constexpr int kCountHistoryCheckPoint = 3881;

constexpr char kHistoryRuler[] =
    "===================================================================";  // 67

const char* text_or_empty(const char* text) {
    return text != nullptr ? text : "";
}

void format_history_time(int seconds, char* out, std::size_t out_size) {
    out[0] = '\0';
    const std::time_t time = seconds;
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return;
    if (std::strftime(out, out_size, "%d %b %y %H:%M", &local) == 0) out[0] = '\0';
}

}  // namespace

int force_part_modification() {
    const double origin[3] = {0.0, 0.0, 0.0};
    tag_t point = NULL_TAG;
    RQ_CURVE_create_point(origin, &point);
    RQ_OBJ_delete_object(point);
    return 0;
}

int log_part_history(const char* title) {
    RQ_PART_history_list_t list = nullptr;
    int count = 0;
    check_rq_result(RQ_PART_create_history_list(&list), kCreateHistoryCheckPoint, kUtilsUnit);
    check_rq_result(RQ_PART_clear_history_list(list), kClearHistoryCheckPoint, kUtilsUnit);
    check_rq_result(RQ_PART_ask_part_history(RQ_ASSEM_ask_work_part(), list), kAskHistoryCheckPoint,
                    kUtilsUnit);
    if (check_rq_result(RQ_PART_ask_num_histories(list, &count), kCountHistoryCheckPoint,
                        kUtilsUnit) != 0) {
        count = 0;
    }

    write_log(log_file_in_use, "%s", kHistoryRuler);
    write_log(log_file_in_use, "%s", title != nullptr ? title : "");
    for (int index = 0; index < count; ++index) {
        char* program = nullptr;
        char* user = nullptr;
        char* machine = nullptr;
        int version = 0;
        int seconds = 0;
        RQ_PART_ask_nth_history(list, index, &program, &user, &machine, &version, &seconds);
        char date[21];
        format_history_time(seconds, date, sizeof date);
        write_log(log_file_in_use, "%d %s %s %s %s", version, date, text_or_empty(machine),
                  text_or_empty(user), text_or_empty(program));
        RQ_free(program);
        RQ_free(user);
        RQ_free(machine);
    }
    write_log(log_file_in_use, "%s", kHistoryRuler);
    return 0;
}
