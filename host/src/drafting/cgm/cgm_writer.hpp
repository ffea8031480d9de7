// Binary CGM writer: the elements of the subset our files keep to
// (docs/cgm.md), each appended to a byte buffer in its encoded form, and the
// atomic write of a finished metafile.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drafting/cgm/cgm_format.hpp"

namespace standin::cgm {

struct VdcPoint {
    int x = 0;
    int y = 0;
};

// Delimiters.
void begin_metafile(Bytes& out, std::string_view name);
void end_metafile(Bytes& out);
void begin_picture(Bytes& out, std::string_view name);
void begin_picture_body(Bytes& out);
void end_picture(Bytes& out);
// Metafile descriptor.
void metafile_version(Bytes& out, int version);
// METAFILE ELEMENT LIST naming the DRAWING SET only.
void metafile_element_list_drawing_set(Bytes& out);
void maximum_colour_index(Bytes& out, int index);
// Picture descriptor.
// SCALING MODE metric: `millimetres` per VDC unit. The factor is always
// floating point; it is written in 64 bits, which gist reads as well (it
// stops on a 32-bit factor under the default real precision).
void scaling_mode_metric(Bytes& out, double millimetres);
void vdc_extent(Bytes& out, VdcPoint first, VdcPoint second);
void background_colour(Bytes& out, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
// Attributes.
void line_type(Bytes& out, int type);
// A real of the default precision: fixed point, 16 bits whole, 16 fraction.
void line_width(Bytes& out, double scale_factor);
void line_colour(Bytes& out, int index);
void text_colour(Bytes& out, int index);
void character_height(Bytes& out, int height);
// Up and base vectors of the characters.
void character_orientation(Bytes& out, VdcPoint up, VdcPoint base);
// COLOUR TABLE from index `first`: one red, green, blue triple an index.
void colour_table(Bytes& out, int first, const std::vector<std::array<std::uint8_t, 3>>& colours);
// Primitives.
void polyline(Bytes& out, const std::vector<VdcPoint>& points);
void text(Bytes& out, VdcPoint at, std::string_view characters, bool final_part = true);

// Writes the bytes to `path` through a temporary file in the same folder
// that is renamed at the end, so the file is whole or absent. 0, or
// RQ_err_cgm_write (the folder is missing or not writable, the path names a
// folder, the disk is full).
int write_metafile(const std::string& path, const Bytes& data);

}  // namespace standin::cgm
