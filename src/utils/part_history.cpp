// The work part's save history, read through a host history list.
#include "utils/part_history.hpp"

#include <rq/rq.h>

#include <ctime>
#include <utility>

#include "common/run_settings.hpp"
#include "utils/run_log.hpp"

namespace {

constexpr std::size_t kDateSize = 21;  // "%d %b %y %H:%M" and its end

const char* text_or_empty(const char* text) {
    return text != nullptr ? text : "";
}

std::string format_history_time(int seconds) {
    const std::time_t time = seconds;
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return {};
    char date[kDateSize];
    if (std::strftime(date, sizeof date, "%d %b %y %H:%M", &local) == 0) return {};
    return date;
}

}  // namespace

std::vector<PartHistoryEntry> read_part_history(const HistoryCheckPoints& check_points) {
    RQ_PART_history_list_t list = nullptr;
    int count = 0;
    check_rq_result(RQ_PART_create_history_list(&list), check_points.create, kUtilsUnit);
    check_rq_result(RQ_PART_clear_history_list(list), check_points.clear, kUtilsUnit);
    check_rq_result(RQ_PART_ask_part_history(RQ_ASSEM_ask_work_part(), list), check_points.fill,
                    kUtilsUnit);
    if (check_rq_result(RQ_PART_ask_num_histories(list, &count), check_points.count, kUtilsUnit) !=
        0) {
        count = 0;
    }

    std::vector<PartHistoryEntry> entries;
    for (int index = 0; index < count; ++index) {
        char* program = nullptr;
        char* user = nullptr;
        char* machine = nullptr;
        PartHistoryEntry entry;
        int seconds = 0;
        RQ_PART_ask_nth_history(list, index, &program, &user, &machine, &entry.version, &seconds);
        entry.date = format_history_time(seconds);
        entry.program = text_or_empty(program);
        entry.user = text_or_empty(user);
        entry.machine = text_or_empty(machine);
        RQ_free(program);
        RQ_free(user);
        RQ_free(machine);
        entries.push_back(std::move(entry));
    }
    return entries;
}
