// Tests-only decoder of the pictures our CGM exports write, written from the
// binary encoding alone (no code of the writer or the host's reader): the
// primitives in file order, each with its points in sheet millimetres (VDC
// times the metric scaling factor), the colour index in force and the
// colour that index has in the file's colour table.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace cgm_picture {

using Point = std::array<double, 2>;
using Rgb = std::array<int, 3>;

struct Primitive {
    enum class Kind { polyline, text } kind = Kind::polyline;
    std::vector<Point> points;  // the polyline, or the text's position
    std::string text;
    int colour = 1;  // LINE COLOUR or TEXT COLOUR index in force
    int line_type = 1;
    double line_width = 1.0;
    double height = 0;  // CHARACTER HEIGHT in force, millimetres
};

struct Picture {
    std::string error;               // "" when the file decoded
    double millimetres_per_vdc = 0;  // 0: no metric SCALING MODE
    Point extent{0, 0};              // upper corner of the VDC EXTENT, millimetres
    Rgb background{-1, -1, -1};
    std::map<int, Rgb> colour_table;
    std::vector<Primitive> primitives;

    Rgb rgb(int index) const {
        auto it = colour_table.find(index);
        return it == colour_table.end() ? Rgb{-1, -1, -1} : it->second;
    }
};

namespace detail {

inline int s16(const std::vector<unsigned char>& p, std::size_t at) {
    return static_cast<std::int16_t>((p.at(at) << 8) | p.at(at + 1));
}

inline double ieee64(const std::vector<unsigned char>& p, std::size_t at) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = (bits << 8) | p.at(at + i);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline double fixed32(const std::vector<unsigned char>& p, std::size_t at) {
    return s16(p, at) + ((p.at(at + 2) << 8) | p.at(at + 3)) / 65536.0;
}

}  // namespace detail

// Decodes a file holding one picture of our subset.
inline Picture decode(const std::string& file) {
    using detail::s16;
    Picture picture;
    const auto* b = reinterpret_cast<const unsigned char*>(file.data());
    std::size_t pos = 0;
    int line_colour = 1, text_colour = 1, line_type = 1;
    double line_width = 1.0, height = 0;
    auto mm = [&](int vdc) {
        return picture.millimetres_per_vdc > 0 ? vdc * picture.millimetres_per_vdc : double(vdc);
    };
    while (pos + 2 <= file.size()) {
        const unsigned header = (b[pos] << 8) | b[pos + 1];
        pos += 2;
        const int cls = static_cast<int>(header >> 12), id = static_cast<int>((header >> 5) & 0x7F);
        std::vector<unsigned char> p;
        unsigned length = header & 0x1F;
        bool more = length == 31;
        if (!more) {
            p.assign(b + pos, b + std::min(file.size(), pos + length));
            pos += length + (length & 1);
        }
        while (more) {
            const unsigned word = (b[pos] << 8) | b[pos + 1];
            pos += 2;
            more = (word & 0x8000) != 0;
            length = word & 0x7FFF;
            p.insert(p.end(), b + pos, b + std::min(file.size(), pos + length));
            pos += length + (length & 1);
        }
        if (pos > file.size()) {
            picture.error = "element runs past the end";
            return picture;
        }
        try {
            if (cls == 2 && id == 1) {
                if (s16(p, 0) == 1) picture.millimetres_per_vdc = detail::ieee64(p, 2);
            } else if (cls == 2 && id == 6) {
                picture.extent = {mm(s16(p, 4)), mm(s16(p, 6))};
            } else if (cls == 2 && id == 7) {
                picture.background = {p.at(0), p.at(1), p.at(2)};
            } else if (cls == 5 && id == 34) {
                for (std::size_t i = 1, index = p.at(0); i + 2 < p.size(); i += 3, ++index)
                    picture.colour_table[static_cast<int>(index)] = {p[i], p[i + 1], p[i + 2]};
            } else if (cls == 5 && id == 4) {
                line_colour = p.at(0);
            } else if (cls == 5 && id == 14) {
                text_colour = p.at(0);
            } else if (cls == 5 && id == 2) {
                line_type = s16(p, 0);
            } else if (cls == 5 && id == 3) {
                line_width = detail::fixed32(p, 0);
            } else if (cls == 5 && id == 15) {
                height = mm(s16(p, 0));
            } else if (cls == 4 && id == 1) {
                Primitive line{
                    Primitive::Kind::polyline, {}, "", line_colour, line_type, line_width, 0};
                for (std::size_t i = 0; i + 3 < p.size(); i += 4)
                    line.points.push_back({mm(s16(p, i)), mm(s16(p, i + 2))});
                picture.primitives.push_back(std::move(line));
            } else if (cls == 4 && id == 4) {
                Primitive text{Primitive::Kind::text,
                               {{mm(s16(p, 0)), mm(s16(p, 2))}},
                               "",
                               text_colour,
                               1,
                               1.0,
                               height};
                const std::size_t count = p.at(6);
                text.text.assign(p.begin() + 7, p.begin() + 7 + static_cast<std::ptrdiff_t>(count));
                picture.primitives.push_back(std::move(text));
            }
        } catch (const std::out_of_range&) {
            picture.error = "short parameter list in element (" + std::to_string(cls) + "," +
                            std::to_string(id) + ")";
            return picture;
        }
    }
    return picture;
}

}  // namespace cgm_picture
