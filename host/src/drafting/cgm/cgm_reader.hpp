// Reading binary CGM (ISO/IEC 8632-3): the drawing a metafile holds, as
// lines, circular arcs and texts in drawing coordinates (docs/cgm.md, reader).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "drafting/cgm/cgm_format.hpp"

namespace standin::cgm {

struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

// One thing drawn. Lines: start and end. Arcs: centre, radius and the
// angles in radians, counterclockwise from start_angle to end_angle
// (0 <= start_angle < 2 pi, start_angle < end_angle <= start_angle + 2 pi).
// Texts: origin, text (ISO-8859-1), character height and base-line angle in
// radians.
struct Primitive {
    enum class Kind { line, arc, text };
    Kind kind = Kind::line;
    Point2 start, end;
    Point2 centre;
    double radius = 0.0, start_angle = 0.0, end_angle = 0.0;
    Point2 origin;
    std::string text;
    double height = 0.0, angle = 0.0;
};

struct Drawing {
    std::vector<Primitive> items;  // in the order of the file
    int pictures = 0;
};

// At most this many primitives are read from one file.
inline constexpr std::size_t kMaxPrimitives = 1000000;

// Reads a whole metafile. False, with a reason (at most about 200
// characters), when the data are no complete binary CGM the reader can use;
// `drawing` is then left empty.
bool read_metafile(const Bytes& data, Drawing& drawing, std::string& error);

}  // namespace standin::cgm
