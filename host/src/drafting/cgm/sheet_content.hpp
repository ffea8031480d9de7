// The 2D content of a drawing sheet in the part file: the sheet's "size" and
// its "drawing" list of polylines and texts (docs/part-format.md).
#pragma once

#include <string>

#include "parts/part_file.hpp"
#include "parts/store.hpp"

namespace standin {

// Reads "size" and "drawing" of a sheet entry; false (and a reason) when
// either is malformed.
bool load_sheet_content(const ordered_json& value, Sheet& sheet, Refusal& error);
// Adds "size" and "drawing" to a sheet entry when the sheet has them.
void save_sheet_content(const Sheet& sheet, ordered_json& entry);

}  // namespace standin
