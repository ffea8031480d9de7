// Product-data-management part names and part opening.
#pragma once

#include <cstddef>

// out holds a file specification of at most out_size - 1 characters (516 bytes).
int build_vrelmgr_part_name(const char* part_name, char* out, std::size_t out_size);
int open_part(const char* part_file_name);
