// Binary CGM (ISO/IEC 8632-3): element codes and the word, string and
// partition encoding shared by the stand-in's writer and reader.
//
// A metafile is a sequence of big-endian 16-bit words. An element begins with
// a header word: bits 15-12 class, bits 11-5 id, bits 4-0 the length of the
// parameter list in octets (0-30); 31 means long form, and the next word holds
// bit 15 "another partition follows" and bits 14-0 this partition's length.
// An odd parameter list is followed by one pad octet that no length counts.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin::cgm {

using Bytes = std::vector<std::uint8_t>;

struct ElementCode {
    int element_class;
    int id;
    friend constexpr bool operator==(ElementCode, ElementCode) = default;
};

// Class 0: delimiters.
inline constexpr ElementCode kNoOp{0, 0};
inline constexpr ElementCode kBeginMetafile{0, 1};
inline constexpr ElementCode kEndMetafile{0, 2};
inline constexpr ElementCode kBeginPicture{0, 3};
inline constexpr ElementCode kBeginPictureBody{0, 4};
inline constexpr ElementCode kEndPicture{0, 5};
// Class 1: metafile descriptor.
inline constexpr ElementCode kMetafileVersion{1, 1};
inline constexpr ElementCode kMetafileDescription{1, 2};
inline constexpr ElementCode kVdcType{1, 3};
inline constexpr ElementCode kIntegerPrecision{1, 4};
inline constexpr ElementCode kRealPrecision{1, 5};
inline constexpr ElementCode kIndexPrecision{1, 6};
inline constexpr ElementCode kColourPrecision{1, 7};
inline constexpr ElementCode kColourIndexPrecision{1, 8};
inline constexpr ElementCode kMaximumColourIndex{1, 9};
inline constexpr ElementCode kColourValueExtent{1, 10};
inline constexpr ElementCode kMetafileElementList{1, 11};
inline constexpr ElementCode kMetafileDefaultsReplacement{1, 12};
inline constexpr ElementCode kFontList{1, 13};
inline constexpr ElementCode kCharacterSetList{1, 14};
inline constexpr ElementCode kCharacterCodingAnnouncer{1, 15};
// Class 2: picture descriptor.
inline constexpr ElementCode kScalingMode{2, 1};
inline constexpr ElementCode kColourSelectionMode{2, 2};
inline constexpr ElementCode kLineWidthSpecificationMode{2, 3};
inline constexpr ElementCode kMarkerSizeSpecificationMode{2, 4};
inline constexpr ElementCode kEdgeWidthSpecificationMode{2, 5};
inline constexpr ElementCode kVdcExtent{2, 6};
inline constexpr ElementCode kBackgroundColour{2, 7};
// Class 3: control.
inline constexpr ElementCode kClipRectangle{3, 5};
inline constexpr ElementCode kClipIndicator{3, 6};
// Class 4: graphical primitives.
inline constexpr ElementCode kPolyline{4, 1};
inline constexpr ElementCode kDisjointPolyline{4, 2};
inline constexpr ElementCode kPolymarker{4, 3};
inline constexpr ElementCode kText{4, 4};
inline constexpr ElementCode kRestrictedText{4, 5};
inline constexpr ElementCode kAppendText{4, 6};
inline constexpr ElementCode kPolygon{4, 7};
inline constexpr ElementCode kRectangle{4, 11};
inline constexpr ElementCode kCircle{4, 12};
inline constexpr ElementCode kCircularArc3Point{4, 13};
inline constexpr ElementCode kCircularArcCentre{4, 15};
// Class 5: attributes.
inline constexpr ElementCode kLineType{5, 2};
inline constexpr ElementCode kLineWidth{5, 3};
inline constexpr ElementCode kLineColour{5, 4};
inline constexpr ElementCode kTextFontIndex{5, 10};
inline constexpr ElementCode kTextColour{5, 14};
inline constexpr ElementCode kCharacterHeight{5, 15};
inline constexpr ElementCode kCharacterOrientation{5, 16};
inline constexpr ElementCode kColourTable{5, 34};
// Classes 6 and 7: escape and external.
inline constexpr ElementCode kEscape{6, 1};
inline constexpr ElementCode kMessage{7, 1};
inline constexpr ElementCode kApplicationData{7, 2};

// METAFILE ELEMENT LIST pair (-1, 0): the DRAWING SET.
inline constexpr int kDrawingSetClass = -1;
inline constexpr int kDrawingSetId = 0;

inline constexpr int kShortFormMaxLength = 30;
inline constexpr int kLongFormMarker = 31;
inline constexpr int kMaxPartitionLength = 0x7FFF;
inline constexpr std::uint16_t kPartitionContinues = 0x8000;
inline constexpr int kShortStringMax = 254;
inline constexpr int kLongStringMarker = 255;
// Default VDC extent when the picture descriptor names none.
inline constexpr int kDefaultVdcMax = 32767;
// Default precisions of the binary encoding that our files keep: a colour
// index is one octet (COLOUR INDEX PRECISION 8), a direct colour three octets
// (COLOUR PRECISION 8: red, green, blue); integers, indices, enumerations and
// VDC are 16 bits.
inline constexpr int kColourIndexOctets = 1;
inline constexpr int kDirectColourOctets = 3;

constexpr std::uint16_t header_word(ElementCode code, int length) {
    return static_cast<std::uint16_t>(((code.element_class & 0xF) << 12) | ((code.id & 0x7F) << 5) |
                                      (length & 0x1F));
}
constexpr ElementCode code_of_header(std::uint16_t word) {
    return ElementCode{word >> 12, (word >> 5) & 0x7F};
}
constexpr int length_of_header(std::uint16_t word) {
    return word & 0x1F;
}

// --- Encoding (parameter lists) ---------------------------------------------

inline void put_word(Bytes& out, std::uint16_t word) {
    out.push_back(static_cast<std::uint8_t>(word >> 8));
    out.push_back(static_cast<std::uint8_t>(word & 0xFF));
}
// A 16-bit signed integer, index, enumeration or integer VDC.
inline void put_int16(Bytes& out, int value) {
    put_word(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(value)));
}
// A string parameter: one count octet and the characters, or for 255 octets
// and more the marker 255 and 16-bit partition words (bit 15: more follows).
inline void put_string(Bytes& out, std::string_view text) {
    if (text.size() <= static_cast<std::size_t>(kShortStringMax)) {
        out.push_back(static_cast<std::uint8_t>(text.size()));
        out.insert(out.end(), text.begin(), text.end());
        return;
    }
    out.push_back(static_cast<std::uint8_t>(kLongStringMarker));
    std::size_t done = 0;
    while (done < text.size()) {
        std::size_t part = std::min<std::size_t>(text.size() - done, kMaxPartitionLength);
        bool more = done + part < text.size();
        put_word(out, static_cast<std::uint16_t>(part | (more ? kPartitionContinues : 0)));
        out.insert(out.end(), text.begin() + static_cast<std::ptrdiff_t>(done),
                   text.begin() + static_cast<std::ptrdiff_t>(done + part));
        done += part;
    }
}
// One whole element: header (short or long form, split into partitions of at
// most 32767 octets), the parameters and the pad octet of an odd list.
inline void put_element(Bytes& out, ElementCode code, const Bytes& params) {
    if (params.size() <= static_cast<std::size_t>(kShortFormMaxLength)) {
        put_word(out, header_word(code, static_cast<int>(params.size())));
        out.insert(out.end(), params.begin(), params.end());
        if (params.size() % 2 != 0) out.push_back(0);
        return;
    }
    put_word(out, header_word(code, kLongFormMarker));
    std::size_t done = 0;
    do {
        std::size_t part = std::min<std::size_t>(params.size() - done, kMaxPartitionLength - 1);
        // Every partition but the last stays even, so that the next partition
        // word starts on a word boundary.
        bool more = done + part < params.size();
        if (more && part % 2 != 0) --part;
        put_word(out, static_cast<std::uint16_t>(part | (more ? kPartitionContinues : 0)));
        out.insert(out.end(), params.begin() + static_cast<std::ptrdiff_t>(done),
                   params.begin() + static_cast<std::ptrdiff_t>(done + part));
        if (!more && part % 2 != 0) out.push_back(0);
        done += part;
    } while (done < params.size());
}

// --- Decoding ------------------------------------------------------------------

inline std::uint16_t get_word(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}
inline int get_int16(const std::uint8_t* at) {
    return static_cast<std::int16_t>(get_word(at));
}

// One element as read from a metafile: its code and its parameter list with
// partitions joined and pad octets dropped.
struct Element {
    ElementCode code;
    Bytes params;
    std::size_t offset = 0;  // octet offset of the header word in the file
};

// Reads the element that starts at `pos` and moves `pos` past it (pad
// included). nullopt (and a reason) when the data end inside the element or
// `pos` is odd.
inline std::optional<Element> read_element(const Bytes& data, std::size_t& pos,
                                           std::string& error) {
    if (pos % 2 != 0) {
        error = "element not on a word boundary";
        return std::nullopt;
    }
    if (pos + 2 > data.size()) {
        error = "file ends inside an element header";
        return std::nullopt;
    }
    Element element;
    element.offset = pos;
    std::uint16_t header = get_word(&data[pos]);
    pos += 2;
    element.code = code_of_header(header);
    int length = length_of_header(header);
    auto take = [&](std::size_t count) {
        if (pos + count > data.size()) {
            error = "file ends inside the parameters of an element";
            return false;
        }
        element.params.insert(element.params.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
                              data.begin() + static_cast<std::ptrdiff_t>(pos + count));
        pos += count;
        return true;
    };
    if (length != kLongFormMarker) {
        if (!take(static_cast<std::size_t>(length))) return std::nullopt;
        if (length % 2 != 0) ++pos;
        return element;
    }
    bool more = true;
    while (more) {
        if (pos + 2 > data.size()) {
            error = "file ends inside a partition header";
            return std::nullopt;
        }
        std::uint16_t word = get_word(&data[pos]);
        pos += 2;
        more = (word & kPartitionContinues) != 0;
        std::size_t part = word & kMaxPartitionLength;
        if (!take(part)) return std::nullopt;
        if (part % 2 != 0) ++pos;
    }
    return element;
}

// Reads a string parameter at `pos` of a parameter list and moves `pos` past
// it; nullopt when the list ends inside the string.
inline std::optional<std::string> read_string(const Bytes& params, std::size_t& pos) {
    if (pos >= params.size()) return std::nullopt;
    std::size_t count = params[pos++];
    if (count != static_cast<std::size_t>(kLongStringMarker)) {
        if (pos + count > params.size()) return std::nullopt;
        std::string text(params.begin() + static_cast<std::ptrdiff_t>(pos),
                         params.begin() + static_cast<std::ptrdiff_t>(pos + count));
        pos += count;
        return text;
    }
    std::string text;
    bool more = true;
    while (more) {
        if (pos + 2 > params.size()) return std::nullopt;
        std::uint16_t word = get_word(&params[pos]);
        pos += 2;
        more = (word & kPartitionContinues) != 0;
        std::size_t part = word & kMaxPartitionLength;
        if (pos + part > params.size()) return std::nullopt;
        text.append(params.begin() + static_cast<std::ptrdiff_t>(pos),
                    params.begin() + static_cast<std::ptrdiff_t>(pos + part));
        pos += part;
    }
    return text;
}

}  // namespace standin::cgm
