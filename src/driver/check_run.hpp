// The check of one part: report name, updates, report sections, CGM export,
// timer statistic and result line.
#pragma once

// Checks the host's work part; part_name is the name the caller knows it by and
// goes only into the result line. Returns the part's first-error code.
int check_one_part(const char* part_name);
// Runs the update steps that are switched on; returns 0.
int run_updates();
