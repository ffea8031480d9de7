// The work part's save history, read through a host history list.
#pragma once

#include <string>
#include <vector>

// One save of the part: the version, the save time as "%d %b %y %H:%M" in
// local time, and the three texts in the order the host gives them.
struct PartHistoryEntry {
    int version = 0;
    std::string date;
    std::string program;
    std::string user;
    std::string machine;
};

// The check points of the four list calls: create, clear, fill and count.
struct HistoryCheckPoints {
    int create;
    int clear;
    int fill;
    int count;
};

// Reads the history of the work part; every list call is checked at its check
// point and the reading goes on whatever it returns. A failed count gives no
// entries. The host's texts are released once copied.
std::vector<PartHistoryEntry> read_part_history(const HistoryCheckPoints& check_points);
