// A drawing sheet as a one-picture CGM metafile: the sheet's frame, each
// member view's border and name, and the sheet's own polylines and texts.
#pragma once

#include <functional>
#include <string_view>

#include "drafting/cgm/cgm_format.hpp"
#include "parts/store.hpp"

namespace standin::cgm {

// The colour index written for a host colour number.
using ColourRule = std::function<int(int host_colour)>;

inline constexpr double kDefaultSheetWidth = 420.0;  // A3 landscape, in sheet units
inline constexpr double kDefaultSheetHeight = 297.0;
inline constexpr double kDefaultTextHeight = 3.5;

// The whole metafile of one sheet (`sheet_object` is a type-62 object).
Bytes sheet_metafile(const Object& sheet_object, std::string_view metafile_name,
                     const ColourRule& colour);

}  // namespace standin::cgm
