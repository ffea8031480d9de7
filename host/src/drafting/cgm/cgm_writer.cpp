// Binary CGM writer: encoding of the elements our files use.
#include "drafting/cgm/cgm_writer.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include <rq/rq.h>

namespace standin::cgm {
namespace {

void put_point(Bytes& out, VdcPoint p) {
    put_int16(out, p.x);
    put_int16(out, p.y);
}

void put_float64(Bytes& out, double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int shift = 48; shift >= 0; shift -= 16)
        put_word(out, static_cast<std::uint16_t>((bits >> shift) & 0xFFFF));
}

void put_fixed32(Bytes& out, double value) {
    const double whole = std::floor(value);
    put_int16(out, static_cast<int>(whole));
    put_word(out, static_cast<std::uint16_t>(std::lround((value - whole) * 65536.0) & 0xFFFF));
}

void put_colour_index(Bytes& out, int index) {
    out.push_back(static_cast<std::uint8_t>(std::clamp(index, 0, 255)));
}

void named_element(Bytes& out, ElementCode code, std::string_view name) {
    Bytes params;
    put_string(params, name);
    put_element(out, code, params);
}

void empty_element(Bytes& out, ElementCode code) {
    put_element(out, code, {});
}

void colour_index_element(Bytes& out, ElementCode code, int index) {
    Bytes params;
    put_colour_index(params, index);
    put_element(out, code, params);
}

void int16_element(Bytes& out, ElementCode code, int value) {
    Bytes params;
    put_int16(params, value);
    put_element(out, code, params);
}

void two_point_element(Bytes& out, ElementCode code, VdcPoint first, VdcPoint second) {
    Bytes params;
    put_point(params, first);
    put_point(params, second);
    put_element(out, code, params);
}

std::string folder_of(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool write_all(int fd, const Bytes& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void begin_metafile(Bytes& out, std::string_view name) {
    named_element(out, kBeginMetafile, name);
}
void end_metafile(Bytes& out) {
    empty_element(out, kEndMetafile);
}
void begin_picture(Bytes& out, std::string_view name) {
    named_element(out, kBeginPicture, name);
}
void begin_picture_body(Bytes& out) {
    empty_element(out, kBeginPictureBody);
}
void end_picture(Bytes& out) {
    empty_element(out, kEndPicture);
}

void metafile_version(Bytes& out, int version) {
    int16_element(out, kMetafileVersion, version);
}

void metafile_element_list_drawing_set(Bytes& out) {
    Bytes params;
    put_int16(params, 1);
    put_int16(params, kDrawingSetClass);
    put_int16(params, kDrawingSetId);
    put_element(out, kMetafileElementList, params);
}

void maximum_colour_index(Bytes& out, int index) {
    colour_index_element(out, kMaximumColourIndex, index);
}

void scaling_mode_metric(Bytes& out, double millimetres) {
    Bytes params;
    put_int16(params, 1);  // metric
    put_float64(params, millimetres);
    put_element(out, kScalingMode, params);
}

void vdc_extent(Bytes& out, VdcPoint first, VdcPoint second) {
    two_point_element(out, kVdcExtent, first, second);
}

void background_colour(Bytes& out, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    put_element(out, kBackgroundColour, Bytes{red, green, blue});
}

void line_type(Bytes& out, int type) {
    int16_element(out, kLineType, type);
}

void line_width(Bytes& out, double scale_factor) {
    Bytes params;
    put_fixed32(params, scale_factor);
    put_element(out, kLineWidth, params);
}

void line_colour(Bytes& out, int index) {
    colour_index_element(out, kLineColour, index);
}

void text_colour(Bytes& out, int index) {
    colour_index_element(out, kTextColour, index);
}

void character_height(Bytes& out, int height) {
    int16_element(out, kCharacterHeight, height);
}

void character_orientation(Bytes& out, VdcPoint up, VdcPoint base) {
    two_point_element(out, kCharacterOrientation, up, base);
}

void colour_table(Bytes& out, int first, const std::vector<std::array<std::uint8_t, 3>>& colours) {
    Bytes params;
    put_colour_index(params, first);
    for (const auto& rgb : colours) params.insert(params.end(), rgb.begin(), rgb.end());
    put_element(out, kColourTable, params);
}

void polyline(Bytes& out, const std::vector<VdcPoint>& points) {
    Bytes params;
    params.reserve(points.size() * 4);
    for (VdcPoint p : points) put_point(params, p);
    put_element(out, kPolyline, params);
}

void text(Bytes& out, VdcPoint at, std::string_view characters, bool final_part) {
    Bytes params;
    put_point(params, at);
    put_int16(params, final_part ? 1 : 0);
    put_string(params, characters);
    put_element(out, kText, params);
}

int write_metafile(const std::string& path, const Bytes& data) {
    if (path.empty()) return RQ_err_cgm_write;
    struct stat info {};
    const std::string folder = folder_of(path);
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return RQ_err_cgm_write;
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return RQ_err_cgm_write;

    // A short temporary name, so that any leaf the folder takes works.
    std::string temp = (folder == "/" ? std::string() : folder) + "/.cgm_XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return RQ_err_cgm_write;
    bool ok = write_all(fd, data);
    ok = ::fchmod(fd, 0644) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return RQ_err_cgm_write;
    }
    return 0;
}

}  // namespace standin::cgm
