// The binary CGM reader: hand-made metafiles byte by byte, long forms,
// precisions, every primitive it reads, files of another writer, and
// truncated, garbled and random data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "drafting/cgm/cgm_reader.hpp"

namespace {

using standin::cgm::Bytes;
using standin::cgm::Drawing;
using standin::cgm::ElementCode;
using standin::cgm::Primitive;
using Kind = standin::cgm::Primitive::Kind;

constexpr double kPi = 3.14159265358979323846;

// BEGIN METAFILE "minimal", version 1, DRAWING SET, picture "sheet1" with a
// polyline of five points and the text "HELLO CGM": 78 octets.
const Bytes kMinimal = {
    0x00, 0x28, 0x07, 'm',  'i',  'n',  'i',  'm',  'a',  'l',                     // BEGIN METAFILE
    0x10, 0x22, 0x00, 0x01,                                                        // VERSION 1
    0x11, 0x66, 0x00, 0x01, 0xFF, 0xFF, 0x00, 0x00,                                // ELEMENT LIST
    0x00, 0x67, 0x06, 's',  'h',  'e',  'e',  't',  '1',  0x00,                    // BEGIN PICTURE
    0x00, 0x80,                                                                    // BODY
    0x40, 0x34, 0x03, 0xE8, 0x03, 0xE8, 0x4E, 0x20, 0x03, 0xE8, 0x4E, 0x20, 0x4E,  // POLYLINE
    0x20, 0x03, 0xE8, 0x4E, 0x20, 0x03, 0xE8, 0x03, 0xE8,                          //
    0x40, 0x90, 0x13, 0x88, 0x3A, 0x98, 0x00, 0x01, 0x09, 'H',  'E',  'L',  'L',   // TEXT
    'O',  ' ',  'C',  'G',  'M',                                                   //
    0x00, 0xA0,                                                                    // END PICTURE
    0x00, 0x40,                                                                    // END METAFILE
};

// Builds metafiles from elements, in the shared encoding.
class Metafile {
  public:
    Metafile() { add({0, 1}, str("test")); }
    Metafile& add(ElementCode code, const Bytes& params = {}) {
        standin::cgm::put_element(data_, code, params);
        return *this;
    }
    Metafile& begin_picture() { return add({0, 3}, str("p")); }
    Metafile& body() { return add({0, 4}); }
    Bytes end() {
        add({0, 5}).add({0, 2});
        return data_;
    }
    Bytes raw() const { return data_; }

    static Bytes str(const std::string& text) {
        Bytes out;
        standin::cgm::put_string(out, text);
        return out;
    }
    static Bytes ints(std::initializer_list<int> values) {
        Bytes out;
        for (int v : values) standin::cgm::put_int16(out, v);
        return out;
    }
    static void put32(Bytes& out, std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
    }
    static Bytes doubles(std::initializer_list<double> values) {
        Bytes out;
        for (double v : values) {
            std::uint64_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            put32(out, static_cast<std::uint32_t>(bits >> 32));
            put32(out, static_cast<std::uint32_t>(bits));
        }
        return out;
    }
    static Bytes cat(Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

  private:
    Bytes data_;
};

Drawing read_ok(const Bytes& data) {
    Drawing drawing;
    std::string error;
    EXPECT_TRUE(standin::cgm::read_metafile(data, drawing, error)) << error;
    return drawing;
}

std::string read_error(const Bytes& data) {
    Drawing drawing;
    std::string error;
    EXPECT_FALSE(standin::cgm::read_metafile(data, drawing, error));
    EXPECT_TRUE(drawing.items.empty());
    return error;
}

TEST(CgmReader, MinimalFileOfTheDesignNotes) {
    ASSERT_EQ(kMinimal.size(), 78u);
    const Drawing d = read_ok(kMinimal);
    EXPECT_EQ(d.pictures, 1);
    ASSERT_EQ(d.items.size(), 5u);
    const double corners[5][2] = {
        {1000, 1000}, {20000, 1000}, {20000, 20000}, {1000, 20000}, {1000, 1000}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d.items[i].kind, Kind::line);
        EXPECT_EQ(d.items[i].start.x, corners[i][0]);
        EXPECT_EQ(d.items[i].start.y, corners[i][1]);
        EXPECT_EQ(d.items[i].end.x, corners[i + 1][0]);
        EXPECT_EQ(d.items[i].end.y, corners[i + 1][1]);
    }
    const Primitive& text = d.items[4];
    EXPECT_EQ(text.kind, Kind::text);
    EXPECT_EQ(text.text, "HELLO CGM");
    EXPECT_EQ(text.origin.x, 5000);
    EXPECT_EQ(text.origin.y, 15000);
    EXPECT_DOUBLE_EQ(text.height, 327.67);  // 1/100 of the default extent
    EXPECT_EQ(text.angle, 0.0);
}

TEST(CgmReader, LongFormPartitionsAndLongStrings) {
    // A polyline of 20 points in two partitions, the first of odd length
    // followed by its pad octet, then a text of 300 characters.
    Bytes points;
    for (int i = 0; i < 20; ++i) points = Metafile::cat(points, Metafile::ints({i * 10, i % 2}));
    Metafile m;
    m.begin_picture().body();
    Bytes data = m.raw();
    standin::cgm::put_word(data, standin::cgm::header_word({4, 1}, 31));
    standin::cgm::put_word(data, 0x8000 | 11);
    data.insert(data.end(), points.begin(), points.begin() + 11);
    data.push_back(0);  // pad of the odd partition
    standin::cgm::put_word(data, static_cast<std::uint16_t>(points.size() - 11));
    data.insert(data.end(), points.begin() + 11, points.end());
    data.push_back(0);  // pad of the odd element
    const std::string long_text(300, 'x');
    standin::cgm::put_element(data, {4, 4},
                              Metafile::cat(Metafile::ints({7, 8, 1}), Metafile::str(long_text)));
    standin::cgm::put_element(data, {0, 5}, {});
    standin::cgm::put_element(data, {0, 2}, {});
    const Drawing d = read_ok(data);
    ASSERT_EQ(d.items.size(), 20u);
    EXPECT_EQ(d.items[18].end.x, 190);
    EXPECT_EQ(d.items[18].end.y, 1);
    EXPECT_EQ(d.items[19].text, long_text);
}

TEST(CgmReader, RealVdcPrecisionsAndMetricScaling) {
    Metafile m;
    m.add({1, 3}, Metafile::ints({1}));   // VDC TYPE real
    m.add({1, 4}, Metafile::ints({32}));  // INTEGER PRECISION 32
    m.begin_picture();
    Bytes scaling = Metafile::ints({1});
    Metafile::put32(scaling, 0x3F000000);  // 0.5 mm per unit, floating point
    m.add({2, 1}, scaling);
    // Default VDC real precision: fixed point 16.16.
    m.add({2, 6}, Metafile::ints({0, 0, 0, 0, 100, 0, 100, 0}));
    m.body();
    m.add({4, 12}, Metafile::ints({10, 0x8000, 20, 0, 2, 0x4000}));  // centre (10.5, 20), r 2.25
    // VDC REAL PRECISION floating 64 (E, then two 32-bit integers).
    Bytes precision = Metafile::ints({0});
    Metafile::put32(precision, 12);
    Metafile::put32(precision, 52);
    m.add({3, 2}, precision);
    m.add({4, 1}, Metafile::doubles({0.25, -1.5, 3.0, 4.0}));
    const Drawing d = read_ok(m.end());
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ(d.items[0].kind, Kind::arc);
    EXPECT_DOUBLE_EQ(d.items[0].centre.x, 5.25);
    EXPECT_DOUBLE_EQ(d.items[0].centre.y, 10.0);
    EXPECT_DOUBLE_EQ(d.items[0].radius, 1.125);
    EXPECT_DOUBLE_EQ(d.items[0].end_angle - d.items[0].start_angle, 2 * kPi);
    EXPECT_DOUBLE_EQ(d.items[1].start.x, 0.125);
    EXPECT_DOUBLE_EQ(d.items[1].start.y, -0.75);
    EXPECT_DOUBLE_EQ(d.items[1].end.y, 2.0);
}

TEST(CgmReader, LinesFiguresAndArcs) {
    Metafile m;
    m.begin_picture().body();
    m.add({4, 2},
          Metafile::ints({0, 0, 10, 0, 5, 5, 5, 5, 9, 9}));       // 2 pairs (one empty) + odd point
    m.add({4, 7}, Metafile::ints({0, 0, 10, 0, 0, 10}));          // triangle
    m.add({4, 11}, Metafile::ints({0, 0, 4, 3}));                 // rectangle
    m.add({4, 15}, Metafile::ints({0, 0, 10, 0, 0, 10, 10}));     // quarter arc, centre form
    m.add({4, 13}, Metafile::ints({0, 10, 10, 0, 0, -10}));       // clockwise half, 3 points
    m.add({4, 13}, Metafile::ints({0, 0, 5, 5, 10, 10}));         // collinear: a line
    m.add({4, 16}, Metafile::ints({0, 0, 10, 0, 0, 10, 10, 0}));  // pie: arc and two lines
    const Drawing d = read_ok(m.end());
    std::vector<Kind> kinds;
    for (const Primitive& p : d.items) kinds.push_back(p.kind);
    const std::vector<Kind> expected = {Kind::line, Kind::line, Kind::line, Kind::line, Kind::line,
                                        Kind::line, Kind::line, Kind::line, Kind::arc,  Kind::arc,
                                        Kind::line, Kind::arc,  Kind::line, Kind::line};
    ASSERT_EQ(kinds, expected);
    EXPECT_EQ(d.items[3].end.x, 0);  // the polygon closes
    EXPECT_EQ(d.items[3].end.y, 0);
    EXPECT_EQ(d.items[4].end.x, 4);  // rectangle (0,0) (4,0) (4,3) (0,3)
    EXPECT_EQ(d.items[5].end.y, 3);
    const Primitive& quarter = d.items[8];
    EXPECT_DOUBLE_EQ(quarter.radius, 10);
    EXPECT_DOUBLE_EQ(quarter.start_angle, 0);
    EXPECT_DOUBLE_EQ(quarter.end_angle, kPi / 2);
    // Clockwise from (0,10) over (10,0) to (0,-10): counterclockwise from
    // -90 to +90 degrees.
    const Primitive& half = d.items[9];
    EXPECT_NEAR(half.centre.x, 0, 1e-12);
    EXPECT_NEAR(half.centre.y, 0, 1e-12);
    EXPECT_DOUBLE_EQ(half.start_angle, 1.5 * kPi);
    EXPECT_DOUBLE_EQ(half.end_angle, 2.5 * kPi);
    EXPECT_EQ(d.items[10].end.x, 10);
    EXPECT_EQ(d.items[12].start.x, 10);  // pie: start point to centre
    EXPECT_EQ(d.items[12].end.x, 0);
}

TEST(CgmReader, TextsAttributesAndDefaultsReplacement) {
    Metafile m;
    // Defaults: character height 40 for every picture.
    Bytes defaults;
    standin::cgm::put_element(defaults, {5, 15}, Metafile::ints({40}));
    m.add({1, 12}, defaults);
    m.begin_picture().body();
    m.add({4, 4}, Metafile::cat(Metafile::ints({1, 2, 0}), Metafile::str("AB")));
    m.add({4, 6}, Metafile::cat(Metafile::ints({1}), Metafile::str("C\x01")));
    m.add({5, 16}, Metafile::ints({-1, 0, 0, 1}));  // base vector up: 90 degrees
    m.add({5, 15}, Metafile::ints({12}));
    m.add({4, 5}, Metafile::cat(Metafile::ints({100, 20, 3, 4, 1}), Metafile::str("Box")));
    m.add({4, 6}, Metafile::cat(Metafile::ints({1}), Metafile::str("ignored")));  // final before
    m.add({0, 5});
    m.begin_picture().body();
    m.add({4, 4}, Metafile::cat(Metafile::ints({0, 0, 1}), Metafile::str("P2")));
    const Drawing d = read_ok(m.end());
    ASSERT_EQ(d.items.size(), 3u);
    EXPECT_EQ(d.pictures, 2);
    EXPECT_EQ(d.items[0].text, "ABC ");
    EXPECT_EQ(d.items[0].height, 40);
    EXPECT_EQ(d.items[1].text, "Box");
    EXPECT_EQ(d.items[1].origin.x, 3);
    EXPECT_EQ(d.items[1].height, 12);
    EXPECT_DOUBLE_EQ(d.items[1].angle, kPi / 2);
    EXPECT_EQ(d.items[2].height, 40);  // the next picture starts from the defaults
    EXPECT_EQ(d.items[2].angle, 0);
}

TEST(CgmReader, FileOfGnuPlotutils) {
    std::ifstream in(std::string(KAVOHOST_SAMPLES) + "/../tests/e2e/data/cgm/plotutils_shapes.cgm",
                     std::ios::binary);
    const Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(data.empty());
    const Drawing d = read_ok(data);
    int lines = 0, arcs = 0;
    std::string texts;
    for (const Primitive& p : d.items) {
        lines += p.kind == Kind::line;
        arcs += p.kind == Kind::arc;
        if (p.kind == Kind::text) texts += p.text;
    }
    EXPECT_EQ(texts, "Box");
    EXPECT_EQ(arcs, 2);  // the circle and the arc; the ellipse is not read
    EXPECT_EQ(lines, 6);
    // Metric scaling: about 0.0124 mm per unit.
    const Primitive* circle = nullptr;
    for (const Primitive& p : d.items) {
        if (p.kind == Kind::arc && !circle) circle = &p;
    }
    EXPECT_NEAR(circle->radius, 0x0400 * 0.012404, 0.01);
}

TEST(CgmReader, MalformedFilesGiveAReason) {
    EXPECT_EQ(read_error({}), "the file is empty");
    EXPECT_EQ(read_error({'B', 'E', 'G', 'M', 'F', ' '}),
              "not a binary CGM file: it does not begin with BEGIN METAFILE");
    // Every shorter prefix of the minimal file fails.
    for (std::size_t n = 1; n < kMinimal.size(); ++n) {
        const std::string error = read_error(Bytes(kMinimal.begin(), kMinimal.begin() + n));
        EXPECT_FALSE(error.empty()) << n;
    }
    Bytes padded = kMinimal;
    padded.resize(200, 0);  // record padding after END METAFILE is accepted
    read_ok(padded);
    padded[150] = 1;
    EXPECT_EQ(read_error(padded), "data after END METAFILE at octet 150");

    Metafile outside;
    outside.add({4, 1}, Metafile::ints({0, 0, 1, 1}));
    EXPECT_EQ(read_error(outside.end()),
              "POLYLINE at octet 8: a graphical primitive outside a picture body");
    Metafile partial;
    partial.begin_picture().body().add({4, 1}, Metafile::ints({0, 0, 1}));
    EXPECT_EQ(read_error(partial.end()),
              "POLYLINE at octet 14: the parameter list is too short or malformed");
    Metafile precision;
    precision.add({1, 4}, Metafile::ints({12}));
    EXPECT_EQ(read_error(precision.end()),
              "INTEGER PRECISION at octet 8: the precision is not 8, 16, 24 or 32 bits");
    Metafile not_finite;
    not_finite.add({1, 3}, Metafile::ints({1}));
    not_finite.begin_picture();
    not_finite.add({3, 2}, Metafile::ints({0, 12, 52}));
    not_finite.body().add({4, 1}, Metafile::doubles({0, 0, NAN, 1}));
    EXPECT_EQ(read_error(not_finite.end()), "POLYLINE at octet 26: a number is not finite");
    Bytes open_picture = Metafile().begin_picture().body().raw();
    standin::cgm::put_element(open_picture, {0, 2}, {});
    EXPECT_EQ(read_error(open_picture),
              "END METAFILE at octet 14: the last picture has no END PICTURE");
    Bytes reserved = Metafile().raw();
    standin::cgm::put_word(reserved, 0xF000);
    EXPECT_EQ(read_error(reserved),
              "element (class 15, id 0) at octet 8: no element of the standard");
}

TEST(CgmReader, LongFormLengthsPastTheEnd) {
    Bytes data = Metafile().begin_picture().body().raw();
    standin::cgm::put_word(data, standin::cgm::header_word({4, 1}, 31));
    standin::cgm::put_word(data, 0x7FFF);  // a partition far longer than the file
    data.insert(data.end(), {0, 1, 0, 2});
    EXPECT_EQ(read_error(data),
              "file ends inside the parameters of an element (element at octet 14)");
    Bytes string_data = Metafile().begin_picture().body().raw();
    standin::cgm::put_element(string_data, {4, 4},
                              Metafile::cat(Metafile::ints({0, 0, 1}), {255, 0x7F}));
    standin::cgm::put_element(string_data, {0, 5}, {});
    standin::cgm::put_element(string_data, {0, 2}, {});
    EXPECT_EQ(read_error(string_data),
              "TEXT at octet 14: the parameter list is too short or malformed");
}

// Random bytes, and valid files with random octets changed or cut: the
// reader either reads them or gives a reason, and never reads out of bounds
// (the sanitizer build checks that).
TEST(CgmReader, FuzzedInputNeverCrashes) {
    std::mt19937 random(20261209);
    Metafile rich;
    rich.add({1, 3}, Metafile::ints({1}));
    rich.begin_picture().body();
    rich.add({4, 15}, Metafile::ints({0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 3, 0}));
    rich.add({4, 5},
             Metafile::cat(Metafile::ints({1, 0, 1, 0, 2, 0, 2, 0, 1}), Metafile::str("t")));
    const std::vector<Bytes> seeds = {kMinimal, rich.end()};
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        Bytes data = seeds[round % seeds.size()];
        const int kind = round % 3;
        if (kind == 0) {
            for (int flips = 1 + random() % 4; flips > 0; --flips)
                data[random() % data.size()] = static_cast<std::uint8_t>(random());
        } else if (kind == 1) {
            data.resize(random() % data.size());
            data.push_back(static_cast<std::uint8_t>(random()));
        } else {
            data.resize(random() % 64);
            for (auto& b : data) b = static_cast<std::uint8_t>(random());
        }
        Drawing d;
        std::string error;
        if (standin::cgm::read_metafile(data, d, error)) {
            ++accepted;
        } else {
            EXPECT_FALSE(error.empty());
            EXPECT_LE(error.size(), 200u);
            EXPECT_TRUE(d.items.empty());
        }
        for (const Primitive& p : d.items) {
            ASSERT_TRUE(std::isfinite(p.start.x) && std::isfinite(p.end.y) &&
                        std::isfinite(p.radius) && std::isfinite(p.end_angle));
        }
    }
    EXPECT_GT(accepted, 0);
}

}  // namespace
