// Binary CGM reader: walks the elements of a metafile, keeps the descriptor
// settings it needs to decode numbers (VDC type, integer, real and VDC
// precisions, scaling mode, VDC extent, text attributes) and turns the
// primitives into lines, arcs and texts. Everything else is skipped by its
// length. Every read is bounds-checked; a malformed file gives a reason.
#include "drafting/cgm/cgm_reader.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace standin::cgm {
namespace {

constexpr double kTwoPi = 6.283185307179586476925;

// Elements read beyond the shared table.
constexpr ElementCode kVdcIntegerPrecision{3, 1};
constexpr ElementCode kVdcRealPrecision{3, 2};
constexpr ElementCode kCircularArc3PointClose{4, 14};
constexpr ElementCode kCircularArcCentreClose{4, 16};
constexpr int kLastElementClass = 9;  // classes 10-15 are reserved

// REAL PRECISION as the binary encoding allows it: fixed point 16.16 or
// 32.32, IEEE floating point of 32 or 64 bits.
struct RealFormat {
    bool fixed = true;
    int first = 16;   // whole part (fixed) or exponent width (floating)
    int second = 16;  // fraction width
    std::size_t octets() const { return (first + second) / 8; }
};

bool supported(const RealFormat& f) {
    if (f.fixed) return (f.first == 16 && f.second == 16) || (f.first == 32 && f.second == 32);
    return (f.first == 9 && f.second == 23) || (f.first == 12 && f.second == 52);
}

// Settings in force while a picture is read. The metafile descriptor and the
// METAFILE DEFAULTS REPLACEMENT change the defaults that each picture starts
// with; picture descriptor, control and attribute elements change the
// current picture only.
struct Settings {
    int vdc_type = 0;  // 0 integer, 1 real
    int integer_bits = 16;
    RealFormat real;
    int vdc_integer_bits = 16;
    RealFormat vdc_real;
    bool metric = false;
    double metric_factor = 1.0;  // millimetres per VDC unit
    bool extent_set = false;
    Point2 extent_low, extent_high;
    bool height_set = false;
    double char_height = 0.0;
    Point2 base{1.0, 0.0};
};

const char* element_name(ElementCode code) {
    struct Named {
        ElementCode code;
        const char* name;
    };
    static constexpr Named names[] = {
        {kBeginMetafile, "BEGIN METAFILE"},
        {kEndMetafile, "END METAFILE"},
        {kBeginPicture, "BEGIN PICTURE"},
        {kBeginPictureBody, "BEGIN PICTURE BODY"},
        {kEndPicture, "END PICTURE"},
        {kVdcType, "VDC TYPE"},
        {kIntegerPrecision, "INTEGER PRECISION"},
        {kRealPrecision, "REAL PRECISION"},
        {kMetafileDefaultsReplacement, "METAFILE DEFAULTS REPLACEMENT"},
        {kScalingMode, "SCALING MODE"},
        {kVdcExtent, "VDC EXTENT"},
        {kVdcIntegerPrecision, "VDC INTEGER PRECISION"},
        {kVdcRealPrecision, "VDC REAL PRECISION"},
        {kPolyline, "POLYLINE"},
        {kDisjointPolyline, "DISJOINT POLYLINE"},
        {kText, "TEXT"},
        {kRestrictedText, "RESTRICTED TEXT"},
        {kAppendText, "APPEND TEXT"},
        {kPolygon, "POLYGON"},
        {kRectangle, "RECTANGLE"},
        {kCircle, "CIRCLE"},
        {kCircularArc3Point, "CIRCULAR ARC 3 POINT"},
        {kCircularArc3PointClose, "CIRCULAR ARC 3 POINT CLOSE"},
        {kCircularArcCentre, "CIRCULAR ARC CENTRE"},
        {kCircularArcCentreClose, "CIRCULAR ARC CENTRE CLOSE"},
        {kCharacterHeight, "CHARACTER HEIGHT"},
        {kCharacterOrientation, "CHARACTER ORIENTATION"},
    };
    for (const Named& n : names) {
        if (n.code == code) return n.name;
    }
    return nullptr;
}

std::string describe(const Element& e) {
    char text[96];
    if (const char* name = element_name(e.code)) {
        std::snprintf(text, sizeof text, "%s at octet %zu", name, e.offset);
    } else {
        std::snprintf(text, sizeof text, "element (class %d, id %d) at octet %zu",
                      e.code.element_class, e.code.id, e.offset);
    }
    return text;
}

// Decodes the parameters of one element. A read past the end, or a number
// that is not finite, clears ok() and gives 0.
class Params {
  public:
    Params(const Bytes& data, const Settings& settings) : data_(data), settings_(settings) {}

    bool ok() const { return ok_; }
    bool finite() const { return finite_; }
    std::size_t remaining() const { return pos_ <= data_.size() ? data_.size() - pos_ : 0; }

    std::int64_t integer_of(int bits) {
        const std::size_t n = static_cast<std::size_t>(bits / 8);
        if (!need(n)) return 0;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < n; ++i) value = (value << 8) | data_[pos_ + i];
        pos_ += n;
        const std::uint64_t sign = std::uint64_t{1} << (bits - 1);
        return static_cast<std::int64_t>(value ^ sign) - static_cast<std::int64_t>(sign);
    }
    std::int64_t integer() { return integer_of(settings_.integer_bits); }
    int enumeration() { return static_cast<int>(integer_of(16)); }

    double real_of(const RealFormat& format) {
        double value = 0.0;
        if (format.fixed && format.first == 16) {
            const std::int64_t whole = integer_of(16);
            const std::uint64_t fraction = unsigned_of(16);
            value = static_cast<double>(whole) + static_cast<double>(fraction) / 65536.0;
        } else if (format.fixed) {
            const std::int64_t whole = integer_of(32);
            const std::uint64_t fraction = unsigned_of(32);
            value = static_cast<double>(whole) + static_cast<double>(fraction) / 4294967296.0;
        } else if (format.first == 9) {
            const auto bits = static_cast<std::uint32_t>(unsigned_of(32));
            float f;
            std::memcpy(&f, &bits, sizeof f);
            value = f;
        } else {
            const std::uint64_t bits = unsigned_of(64);
            std::memcpy(&value, &bits, sizeof value);
        }
        if (!std::isfinite(value)) {
            finite_ = false;
            return 0.0;
        }
        return value;
    }
    double real() { return real_of(settings_.real); }
    // IEEE floating point of the width the remaining octets give (the metric
    // scale factor of SCALING MODE is always floating point).
    double floating() {
        return real_of(remaining() >= 8 ? RealFormat{false, 12, 52} : RealFormat{false, 9, 23});
    }

    double vdc() {
        if (settings_.vdc_type == 0)
            return static_cast<double>(integer_of(settings_.vdc_integer_bits));
        return real_of(settings_.vdc_real);
    }
    Point2 point() {
        Point2 p;
        p.x = vdc();
        p.y = vdc();
        return p;
    }
    std::size_t point_octets() const {
        const std::size_t vdc = settings_.vdc_type == 0
                                    ? static_cast<std::size_t>(settings_.vdc_integer_bits / 8)
                                    : settings_.vdc_real.octets();
        return 2 * vdc;
    }
    // The points that fill the rest of the list; a partial point fails.
    std::vector<Point2> points() {
        std::vector<Point2> out;
        const std::size_t size = point_octets();
        if (remaining() % size != 0) {
            ok_ = false;
            return out;
        }
        out.reserve(remaining() / size);
        while (ok_ && remaining() > 0) out.push_back(point());
        return out;
    }
    std::string string() {
        std::size_t at = pos_;
        auto text = read_string(data_, at);
        if (!text) {
            ok_ = false;
            return {};
        }
        pos_ = at;
        return *text;
    }

  private:
    bool need(std::size_t n) {
        if (!ok_ || remaining() < n) {
            ok_ = false;
            return false;
        }
        return true;
    }
    std::uint64_t unsigned_of(int bits) {
        const std::size_t n = static_cast<std::size_t>(bits / 8);
        if (!need(n)) return 0;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < n; ++i) value = (value << 8) | data_[pos_ + i];
        pos_ += n;
        return value;
    }

    const Bytes& data_;
    const Settings& settings_;
    std::size_t pos_ = 0;
    bool ok_ = true;
    bool finite_ = true;
};

double normal_angle(double angle) {
    double a = std::fmod(angle, kTwoPi);
    if (a < 0) a += kTwoPi;
    return a >= kTwoPi ? 0.0 : a;
}

// Sweep from start to end counterclockwise; equal angles sweep the circle.
double sweep_between(double start, double end) {
    double sweep = std::fmod(end - start, kTwoPi);
    if (sweep <= 0) sweep += kTwoPi;
    return sweep;
}

double cross(Point2 a, Point2 b, Point2 c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

class MetafileReader {
  public:
    explicit MetafileReader(Drawing& drawing) : drawing_(drawing) {}

    bool run(const Bytes& data, std::string& error);

  private:
    bool fail(const std::string& reason) {
        error_ = reason;
        return false;
    }
    bool fail_at(const Element& e, const char* reason) { return fail(describe(e) + ": " + reason); }

    bool element(const Element& e);
    bool delimiter(const Element& e);
    bool descriptor(const Element& e, Settings& target);
    bool defaults_replacement(const Element& e);
    bool picture_setting(const Element& e, Settings& target);
    bool real_precision(const Element& e, Params& p, RealFormat& target);
    bool primitive(const Element& e);
    bool closed_figure(const Element& e, Params& p);
    bool arcs(const Element& e, Params& p);
    bool text(const Element& e, Params& p);
    bool checked(const Element& e, const Params& p) {
        if (!p.finite()) return fail_at(e, "a number is not finite");
        if (!p.ok()) return fail_at(e, "the parameter list is too short or malformed");
        return true;
    }

    Point2 place(Point2 p) const { return {p.x * scale(), p.y * scale()}; }
    double scale() const {
        return current_.metric && current_.metric_factor > 0 ? current_.metric_factor : 1.0;
    }
    double default_height() const {
        Point2 low = current_.extent_low, high = current_.extent_high;
        if (!current_.extent_set) {
            low = {0, 0};
            high = current_.vdc_type == 0 ? Point2{kDefaultVdcMax, kDefaultVdcMax} : Point2{1, 1};
        }
        return std::max(std::abs(high.x - low.x), std::abs(high.y - low.y)) / 100.0;
    }

    bool room() {
        if (drawing_.items.size() < kMaxPrimitives) return true;
        char text[80];
        std::snprintf(text, sizeof text, "the file holds more than %zu primitives", kMaxPrimitives);
        return fail(text);
    }
    bool add_line(Point2 a, Point2 b) {
        if (a.x == b.x && a.y == b.y) return true;  // nothing to draw
        if (!room()) return false;
        Primitive line;
        line.kind = Primitive::Kind::line;
        line.start = place(a);
        line.end = place(b);
        drawing_.items.push_back(std::move(line));
        return true;
    }
    bool add_lines(const std::vector<Point2>& points, bool closed) {
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (!add_line(points[i - 1], points[i])) return false;
        }
        if (closed && points.size() > 2) return add_line(points.back(), points.front());
        return true;
    }
    bool add_arc(Point2 centre, double radius, double start, double sweep) {
        if (!(radius > 0)) return true;
        if (!room()) return false;
        Primitive arc;
        arc.kind = Primitive::Kind::arc;
        arc.centre = place(centre);
        arc.radius = radius * scale();
        arc.start_angle = normal_angle(start);
        arc.end_angle = arc.start_angle + sweep;
        drawing_.items.push_back(std::move(arc));
        return true;
    }

    Drawing& drawing_;
    std::string error_;
    Settings defaults_;
    Settings current_;
    bool in_picture_ = false;
    bool in_body_ = false;
    bool ended_ = false;
    std::ptrdiff_t open_text_ = -1;  // a text that APPEND TEXT may continue
};

bool MetafileReader::run(const Bytes& data, std::string& error) {
    if (data.empty()) {
        error = "the file is empty";
        return false;
    }
    std::size_t pos = 0;
    std::string reason;
    auto first = read_element(data, pos, reason);
    if (!first || !(first->code == kBeginMetafile)) {
        error = "not a binary CGM file: it does not begin with BEGIN METAFILE";
        return false;
    }
    current_ = defaults_;
    while (!ended_) {
        if (pos >= data.size()) {
            error = "the file ends before END METAFILE";
            return false;
        }
        const std::size_t at = pos;
        auto e = read_element(data, pos, reason);
        if (!e) {
            char where[64];
            std::snprintf(where, sizeof where, " (element at octet %zu)", at);
            error = reason + where;
            return false;
        }
        if (!element(*e)) {
            error = error_;
            return false;
        }
    }
    // Writers that fill the last record pad with zero octets.
    for (std::size_t i = std::min(pos, data.size()); i < data.size(); ++i) {
        if (data[i] != 0) {
            char text[64];
            std::snprintf(text, sizeof text, "data after END METAFILE at octet %zu", i);
            error = text;
            return false;
        }
    }
    return true;
}

bool MetafileReader::element(const Element& e) {
    const int c = e.code.element_class;
    if (c > kLastElementClass) return fail_at(e, "no element of the standard");
    switch (c) {
        case 0:
            return delimiter(e);
        case 1:
            if (in_picture_) return fail_at(e, "a metafile descriptor element inside a picture");
            if (e.code == kMetafileDefaultsReplacement) return defaults_replacement(e);
            return descriptor(e, defaults_);
        case 2:
        case 3:
        case 5:
            return in_picture_ ? picture_setting(e, current_) : true;
        case 4:
            if (!in_body_) return fail_at(e, "a graphical primitive outside a picture body");
            return primitive(e);
        default:
            return true;  // escape, external, segment and other elements are not used
    }
}

bool MetafileReader::delimiter(const Element& e) {
    if (e.code == kBeginMetafile) return fail_at(e, "a second BEGIN METAFILE");
    if (e.code == kEndMetafile) {
        if (in_picture_) return fail_at(e, "the last picture has no END PICTURE");
        ended_ = true;
    } else if (e.code == kBeginPicture) {
        if (in_picture_) return fail_at(e, "the picture before has no END PICTURE");
        in_picture_ = true;
        in_body_ = false;
        current_ = defaults_;
        ++drawing_.pictures;
    } else if (e.code == kBeginPictureBody) {
        if (!in_picture_ || in_body_) return fail_at(e, "not after BEGIN PICTURE");
        in_body_ = true;
    } else if (e.code == kEndPicture) {
        if (!in_picture_) return fail_at(e, "no picture is open");
        in_picture_ = in_body_ = false;
        open_text_ = -1;
    }
    return true;
}

bool MetafileReader::descriptor(const Element& e, Settings& target) {
    Params p(e.params, target);
    if (e.code == kVdcType) {
        const int type = p.enumeration();
        if (!checked(e, p)) return false;
        if (type != 0 && type != 1) return fail_at(e, "the VDC type is neither integer nor real");
        target.vdc_type = type;
    } else if (e.code == kIntegerPrecision) {
        const std::int64_t bits = p.integer();
        if (!checked(e, p)) return false;
        if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return fail_at(e, "the precision is not 8, 16, 24 or 32 bits");
        target.integer_bits = static_cast<int>(bits);
    } else if (e.code == kRealPrecision) {
        if (!real_precision(e, p, target.real)) return false;
    }
    current_ = defaults_;
    return true;
}

// REAL PRECISION and VDC REAL PRECISION: fixed or floating point and the
// sizes of its two parts, only as the binary encoding knows them.
bool MetafileReader::real_precision(const Element& e, Params& p, RealFormat& target) {
    RealFormat format;
    format.fixed = p.enumeration() == 1;
    format.first = static_cast<int>(p.integer());
    format.second = static_cast<int>(p.integer());
    if (!checked(e, p)) return false;
    if (!supported(format)) return fail_at(e, "a real precision the binary encoding lacks");
    target = format;
    return true;
}

// The parameter list holds elements that set the defaults of every picture.
bool MetafileReader::defaults_replacement(const Element& e) {
    std::size_t pos = 0;
    while (pos < e.params.size()) {
        std::string reason;
        auto inner = read_element(e.params, pos, reason);
        if (!inner) return fail_at(e, "the elements it holds are malformed");
        inner->offset = e.offset;
        const int c = inner->code.element_class;
        if (c == 2 || c == 3 || c == 5) {
            if (!picture_setting(*inner, defaults_)) return false;
        }
    }
    current_ = defaults_;
    return true;
}

bool MetafileReader::picture_setting(const Element& e, Settings& target) {
    Params p(e.params, target);
    if (e.code == kScalingMode) {
        const int mode = p.enumeration();
        double factor = 1.0;
        if (mode == 1 && p.remaining() >= 4) factor = p.floating();
        if (!checked(e, p)) return false;
        target.metric = mode == 1;
        target.metric_factor = factor;
    } else if (e.code == kVdcExtent) {
        const Point2 low = p.point(), high = p.point();
        if (!checked(e, p)) return false;
        target.extent_set = true;
        target.extent_low = low;
        target.extent_high = high;
    } else if (e.code == kVdcIntegerPrecision) {
        const std::int64_t bits = p.integer();
        if (!checked(e, p)) return false;
        if (bits != 16 && bits != 24 && bits != 32)
            return fail_at(e, "the precision is not 16, 24 or 32 bits");
        target.vdc_integer_bits = static_cast<int>(bits);
    } else if (e.code == kVdcRealPrecision) {
        if (!real_precision(e, p, target.vdc_real)) return false;
    } else if (e.code == kCharacterHeight) {
        const double height = p.vdc();
        if (!checked(e, p)) return false;
        target.height_set = true;
        target.char_height = std::abs(height);
    } else if (e.code == kCharacterOrientation) {
        p.point();  // up vector
        const Point2 base = p.point();
        if (!checked(e, p)) return false;
        target.base = base;
    }
    return true;
}

bool MetafileReader::primitive(const Element& e) {
    Params p(e.params, current_);
    if (!(e.code == kAppendText)) open_text_ = -1;
    if (e.code == kPolyline || e.code == kPolygon) {
        const std::vector<Point2> points = p.points();
        if (!checked(e, p)) return false;
        return add_lines(points, e.code == kPolygon);
    }
    if (e.code == kDisjointPolyline) {
        const std::vector<Point2> points = p.points();
        if (!checked(e, p)) return false;
        for (std::size_t i = 1; i < points.size(); i += 2) {
            if (!add_line(points[i - 1], points[i])) return false;
        }
        return true;
    }
    if (e.code == kRectangle || e.code == kCircle) return closed_figure(e, p);
    if (e.code == kCircularArc3Point || e.code == kCircularArc3PointClose ||
        e.code == kCircularArcCentre || e.code == kCircularArcCentreClose)
        return arcs(e, p);
    if (e.code == kText || e.code == kRestrictedText || e.code == kAppendText) return text(e, p);
    return true;  // markers, cell arrays, ellipses and the like are not read
}

bool MetafileReader::closed_figure(const Element& e, Params& p) {
    if (e.code == kRectangle) {
        const Point2 a = p.point(), b = p.point();
        if (!checked(e, p)) return false;
        return add_lines({a, {b.x, a.y}, b, {a.x, b.y}}, true);
    }
    const Point2 centre = p.point();
    const double radius = p.vdc();
    if (!checked(e, p)) return false;
    return add_arc(centre, std::abs(radius), 0.0, kTwoPi);
}

bool MetafileReader::arcs(const Element& e, Params& p) {
    const bool three_point = e.code == kCircularArc3Point || e.code == kCircularArc3PointClose;
    const bool closes = e.code == kCircularArc3PointClose || e.code == kCircularArcCentreClose;
    Point2 centre, first, last;
    double radius = 0.0, start = 0.0, sweep = 0.0;
    int close_type = -1;
    if (three_point) {
        const Point2 a = p.point(), b = p.point(), c = p.point();
        if (closes) close_type = p.enumeration();
        if (!checked(e, p)) return false;
        const double turn = cross(a, b, c);
        const double span = std::hypot(b.x - a.x, b.y - a.y) * std::hypot(c.x - a.x, c.y - a.y);
        if (span == 0 || std::abs(turn) <= 1e-12 * span) return add_line(a, c);  // collinear
        const double d = 2 * turn;
        const double ab = (b.x - a.x) * (b.x + a.x) + (b.y - a.y) * (b.y + a.y);
        const double ac = (c.x - a.x) * (c.x + a.x) + (c.y - a.y) * (c.y + a.y);
        centre.x = (ab * (c.y - a.y) - ac * (b.y - a.y)) / d;
        centre.y = (ac * (b.x - a.x) - ab * (c.x - a.x)) / d;
        radius = std::hypot(a.x - centre.x, a.y - centre.y);
        const double angle_a = std::atan2(a.y - centre.y, a.x - centre.x);
        const double angle_c = std::atan2(c.y - centre.y, c.x - centre.x);
        // Counterclockwise from a through b to c, else from c back to a.
        start = turn > 0 ? angle_a : angle_c;
        sweep = sweep_between(start, turn > 0 ? angle_c : angle_a);
        first = a;
        last = c;
    } else {
        centre = p.point();
        const Point2 from = p.point(), to = p.point();
        radius = std::abs(p.vdc());
        if (closes) close_type = p.enumeration();
        if (!checked(e, p)) return false;
        if ((from.x == 0 && from.y == 0) || (to.x == 0 && to.y == 0)) return true;  // no direction
        start = std::atan2(from.y, from.x);
        sweep = sweep_between(start, std::atan2(to.y, to.x));
        first = {centre.x + radius * std::cos(start), centre.y + radius * std::sin(start)};
        last = {centre.x + radius * std::cos(start + sweep),
                centre.y + radius * std::sin(start + sweep)};
    }
    if (!std::isfinite(centre.x) || !std::isfinite(centre.y) || !std::isfinite(radius))
        return fail_at(e, "the arc has no finite centre");
    if (!add_arc(centre, radius, start, sweep)) return false;
    if (close_type == 0) return add_line(first, centre) && add_line(centre, last);  // pie
    if (close_type == 1) return add_line(last, first);                              // chord
    return true;
}

bool MetafileReader::text(const Element& e, Params& p) {
    Point2 origin;
    if (e.code == kRestrictedText) {
        p.vdc();  // the box the text is fitted to
        p.vdc();
    }
    if (!(e.code == kAppendText)) origin = p.point();
    const bool final_text = p.enumeration() != 0;
    std::string characters = p.string();
    if (!checked(e, p)) return false;
    for (char& ch : characters) {
        if (static_cast<unsigned char>(ch) < 0x20) ch = ' ';  // control characters
    }
    if (e.code == kAppendText) {
        if (open_text_ >= 0) {
            drawing_.items[static_cast<std::size_t>(open_text_)].text += characters;
            if (final_text) open_text_ = -1;
        }
        return true;
    }
    if (!room()) return false;
    Primitive note;
    note.kind = Primitive::Kind::text;
    note.origin = place(origin);
    note.text = std::move(characters);
    note.height = (current_.height_set ? current_.char_height : default_height()) * scale();
    note.angle = (current_.base.x == 0 && current_.base.y == 0)
                     ? 0.0
                     : std::atan2(current_.base.y, current_.base.x);
    drawing_.items.push_back(std::move(note));
    open_text_ = final_text ? -1 : static_cast<std::ptrdiff_t>(drawing_.items.size() - 1);
    return true;
}

}  // namespace

bool read_metafile(const Bytes& data, Drawing& drawing, std::string& error) {
    drawing = Drawing{};
    MetafileReader reader(drawing);
    if (reader.run(data, error)) return true;
    drawing = Drawing{};
    return false;
}

}  // namespace standin::cgm
