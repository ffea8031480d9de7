// A part's work view as a picture: every shown object of the model and of
// its imports (lines, arcs, points, bodies seen from the top; notes and
// annotations; nothing a drawing holds), grouped by layer, with a legend
// of the layers and their colours; for an overlay, the second layer split
// into the objects that have a twin on the first (faint) and those that
// have none (strong).
#pragma once

#include <standin/picture.hpp>

#include "parts/store.hpp"
#include "picture/svg_picture.hpp"

namespace standin::picture {

Picture work_view_picture(const Part& part, const PictureOptions& options);

}  // namespace standin::picture
