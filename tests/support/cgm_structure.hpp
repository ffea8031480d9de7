// Tests-only structural check of a binary CGM file, written apart from the
// writer's encoding helpers: header words, short and long-form lengths,
// partitions, pad octets, element order, and that every element belongs to
// the subset our files keep to. Reads raw octets only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace cgm_structure {

struct Summary {
    std::vector<std::pair<int, int>> elements;  // (class, id) in file order
    int pictures = 0;
    std::vector<std::string> texts;  // characters of every TEXT
};

// "" when the file is well formed, else the first fault found. With
// `our_subset`, the version must be 1, every element must be one of the
// subset, VDC EXTENT must stand in every picture descriptor and CHARACTER
// HEIGHT in every picture body; without it, only the framing and the order
// are checked (files of other writers).
inline std::string check(const std::string& file, Summary* summary = nullptr,
                         bool our_subset = true) {
    static const std::set<std::pair<int, int>> allowed = {
        {0, 1},  {0, 2},  {0, 3},  {0, 4},  {0, 5}, {1, 1},  {1, 2},  {1, 3},  {1, 4},
        {1, 5},  {1, 6},  {1, 7},  {1, 8},  {1, 9}, {1, 10}, {1, 11}, {1, 12}, {1, 13},
        {1, 14}, {1, 15}, {2, 1},  {2, 2},  {2, 3}, {2, 4},  {2, 5},  {2, 6},  {2, 7},
        {3, 5},  {3, 6},  {4, 1},  {4, 2},  {4, 3}, {4, 4},  {4, 5},  {4, 6},  {4, 7},
        {4, 11}, {4, 12}, {4, 13}, {4, 15}, {5, 2}, {5, 3},  {5, 4},  {5, 10}, {5, 14},
        {5, 15}, {5, 16}, {5, 34}, {6, 1},  {7, 1}, {7, 2}};
    const auto* bytes = reinterpret_cast<const unsigned char*>(file.data());
    const std::size_t size = file.size();
    auto word = [&](std::size_t at) {
        return static_cast<unsigned>((bytes[at] << 8) | bytes[at + 1]);
    };
    auto where = [](std::size_t at) { return " at octet " + std::to_string(at); };

    enum class State {
        start,
        after_begin,
        after_version,
        descriptor,
        picture_descriptor,
        body,
        ended
    };
    State state = State::start;
    bool saw_extent = false;
    bool saw_height = false;
    Summary local;
    Summary& out = summary != nullptr ? *summary : local;
    std::size_t pos = 0;
    while (pos < size) {
        if (state == State::ended) return "octets after END METAFILE" + where(pos);
        if (pos + 2 > size) return "file ends inside a header word" + where(pos);
        const std::size_t start = pos;
        const unsigned header = word(pos);
        pos += 2;
        const int cls = static_cast<int>(header >> 12);
        const int id = static_cast<int>((header >> 5) & 0x7F);
        std::vector<unsigned char> params;
        unsigned length = header & 0x1F;
        bool long_form = length == 31;
        bool more = true;
        while (more) {
            if (long_form) {
                if (pos + 2 > size) return "file ends inside a partition word" + where(pos);
                unsigned partition = word(pos);
                pos += 2;
                more = (partition & 0x8000) != 0;
                length = partition & 0x7FFF;
                if (more && length % 2 != 0) return "odd partition before another" + where(pos);
            } else {
                more = false;
            }
            if (pos + length > size) return "file ends inside parameters" + where(start);
            params.insert(params.end(), bytes + pos, bytes + pos + length);
            pos += length;
            if (length % 2 != 0) {
                if (pos >= size) return "pad octet missing" + where(start);
                if (bytes[pos] != 0) return "pad octet not zero" + where(pos);
                ++pos;
            }
        }
        if (long_form && params.size() <= 30) return "long form for a short list" + where(start);
        if (our_subset && allowed.count({cls, id}) == 0) {
            return "element (" + std::to_string(cls) + "," + std::to_string(id) +
                   ") outside the subset" + where(start);
        }
        out.elements.push_back({cls, id});
        auto string_at = [&](std::size_t at, std::string& text) {
            if (at >= params.size()) return false;
            std::size_t count = params[at++];
            if (count == 255) {
                bool go_on = true;
                while (go_on) {
                    if (at + 2 > params.size()) return false;
                    unsigned w = (params[at] << 8) | params[at + 1];
                    at += 2;
                    go_on = (w & 0x8000) != 0;
                    std::size_t n = w & 0x7FFF;
                    if (at + n > params.size()) return false;
                    text.append(params.begin() + at, params.begin() + at + n);
                    at += n;
                }
            } else {
                if (at + count > params.size()) return false;
                text.assign(params.begin() + at, params.begin() + at + count);
                at += count;
            }
            return at == params.size();
        };
        std::string text;
        const std::pair<int, int> code{cls, id};
        switch (state) {
            case State::start:
                if (code != std::pair{0, 1}) return "first element is not BEGIN METAFILE";
                if (!string_at(0, text)) return "BEGIN METAFILE name malformed";
                state = State::after_begin;
                break;
            case State::after_begin:
                if (code != std::pair{1, 1})
                    return "METAFILE VERSION does not follow BEGIN METAFILE";
                if (params.size() != 2 || (our_subset && (params[0] != 0 || params[1] != 1)))
                    return "METAFILE VERSION is not 1";
                state = State::after_version;
                break;
            case State::after_version: {
                if (code != std::pair{1, 11}) return "METAFILE ELEMENT LIST does not follow";
                if (params.size() < 2) return "METAFILE ELEMENT LIST without a count";
                unsigned n = (params[0] << 8) | params[1];
                if (params.size() != 2 + 4 * n) return "METAFILE ELEMENT LIST length";
                state = State::descriptor;
                break;
            }
            case State::descriptor:
                if (code == std::pair{0, 3}) {
                    if (!string_at(0, text)) return "BEGIN PICTURE name malformed";
                    state = State::picture_descriptor;
                    saw_extent = false;
                } else if (code == std::pair{0, 2}) {
                    if (out.pictures == 0) return "metafile without a picture";
                    state = State::ended;
                } else if (cls != 1 && cls != 6 && cls != 7) {
                    return "element outside a picture" + where(start);
                }
                break;
            case State::picture_descriptor:
                if (code == std::pair{0, 4}) {
                    if (our_subset && !saw_extent) return "picture without VDC EXTENT";
                    state = State::body;
                    saw_height = false;
                } else if (code == std::pair{2, 6}) {
                    if (params.size() != 8) return "VDC EXTENT length";
                    saw_extent = true;
                } else if (our_subset && code == std::pair{2, 1}) {
                    if (params.size() != 10) return "SCALING MODE length";
                } else if (cls != 2 && cls != 6 && cls != 7) {
                    return "element in a picture descriptor" + where(start);
                }
                break;
            case State::body:
                if (code == std::pair{0, 5}) {
                    if (our_subset && !saw_height) return "picture body without CHARACTER HEIGHT";
                    ++out.pictures;
                    state = State::descriptor;
                } else if (cls < 3) {
                    return "delimiter or descriptor inside a picture body" + where(start);
                } else if (code == std::pair{4, 1}) {
                    if (params.size() % 4 != 0 || params.size() < 8)
                        return "POLYLINE length" + where(start);
                } else if (code == std::pair{4, 4}) {
                    if (!string_at(6, text)) return "TEXT string malformed" + where(start);
                    out.texts.push_back(text);
                } else if (code == std::pair{5, 15}) {
                    if (params.size() != 2) return "CHARACTER HEIGHT length";
                    saw_height = true;
                } else if (our_subset && (code == std::pair{5, 4} || code == std::pair{5, 14})) {
                    if (params.size() != 1) return "colour index length" + where(start);
                } else if (code == std::pair{5, 34}) {
                    if (params.size() < 4 || (params.size() - 1) % 3 != 0)
                        return "COLOUR TABLE length" + where(start);
                }
                break;
            case State::ended:
                break;
        }
    }
    if (state != State::ended) return "END METAFILE missing";
    return "";
}

}  // namespace cgm_structure
