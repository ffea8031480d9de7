// A drawing sheet as a one-picture CGM metafile of what the sheet shows
// (sheet_scene_builder.hpp), in sheet millimetres, with the host's colours.
#pragma once

#include <functional>
#include <string_view>

#include "drafting/cgm/cgm_format.hpp"
#include "parts/store.hpp"

namespace standin::cgm {

// The colour index written for a host colour number.
using ColourRule = std::function<int(int host_colour)>;

// The whole metafile of one sheet (`sheet_object` is a type-62 object).
Bytes sheet_metafile(const Object& sheet_object, std::string_view metafile_name,
                     const ColourRule& colour);

}  // namespace standin::cgm
