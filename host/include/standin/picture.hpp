// Pictures of a part that a browser opens: an SVG file of a drawing sheet
// (the very scene the CGM exports draw) or of the part's work view (its
// lines, arcs, notes and bodies seen from the top, by layer, with a legend).
// The stand-in's own programs use it; the product never does.
#pragma once

#include <rq/rq.h>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace standin {

struct PictureOptions {
    std::optional<std::string> sheet;  // the sheet of that name; none: the work view
    std::vector<int> layers;           // work view: only these layers; empty: every layer
    // Work view of an overlay of two CGM imports: objects of the second
    // layer that have a twin on the first at `offset` are drawn faint, the
    // others (what changed) strong.
    bool overlay = false;
    std::array<int, 2> overlay_layers{1, 2};
    std::array<double, 2> offset{0.05, 0.025};
    std::map<int, std::string> legend;  // what a layer holds, for example its CGM file
};

// Writes the picture of a loaded part to `path` (through a temporary file,
// so a file is whole or absent); false and a reason when the part is not
// loaded, the sheet is not found or the file cannot be written.
bool write_part_picture(tag_t part, const PictureOptions& options, const std::string& path,
                        std::string& error);

// Writes every live sheet of a loaded part as `<folder>/<stem>_<sheet>.svg`
// (sheets whose name holds "/" are left out); false and a reason at the
// first file that cannot be written. `written` gets the files' paths.
bool write_sheet_pictures(tag_t part, const std::string& folder, const std::string& stem,
                          std::vector<std::string>& written, std::string& error);

}  // namespace standin
