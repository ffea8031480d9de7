// Line and element writers of the XML report, the escaping of element values
// and the repair of file names.
#include "utils/xml_writer.hpp"

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char kAmpersandMarker[] = "##38;";
constexpr std::size_t kMarkerLength = sizeof kAmpersandMarker - 1;
constexpr unsigned char kDegreeSign = 0xB0;

// A control character that no XML 1.0 document may hold, not even as a
// reference (tab, line feed and carriage return may stand).
bool forbidden_in_xml(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// The entity that replaces one character, or nullptr when it stays. A
// forbidden control character becomes a blank, so that the report stays
// well-formed whatever a value holds.
const char* entity_for(unsigned char c) {
    if (forbidden_in_xml(c)) return " ";
    switch (c) {
        case '&':
            return "&amp;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case kDegreeSign:
            return "&#176;";
        case '\'':
            return "&apos;";
        case '"':
            return "&quot;";
        default:
            return nullptr;
    }
}

bool starts_with_marker(const char* text) {
    return std::strncmp(text, kAmpersandMarker, kMarkerLength) == 0;
}

bool needs_escaping(const char* text) {
    for (const char* c = text; *c != '\0'; ++c) {
        if (entity_for(static_cast<unsigned char>(*c)) != nullptr) return true;
        if (*c == '#' && starts_with_marker(c)) return true;
    }
    return false;
}

// Appends count characters of text to a line of XML_BUFSIZE bytes, cut at its
// last character; returns the new length.
std::size_t append_cut(char* line, std::size_t length, const char* text, std::size_t count) {
    const std::size_t room = XML_BUFSIZE - 1 - length;
    if (count > room) count = room;
    std::memcpy(line + length, text, count);
    return length + count;
}

// "indent<element>value</element>" on one line. A value too long for the
// line is cut (the escaping never splits a reference), so the line always
// keeps its closing tag.
void write_element_line(const char* file_name, const char* indent, const char* element, bool escape,
                        const char* format, std::va_list args) {
    const std::size_t indent_length = std::strlen(indent);
    const std::size_t element_length = std::strlen(element);
    const std::size_t tags_length = indent_length + 2 * element_length + 5;
    const std::size_t value_size = tags_length < XML_BUFSIZE ? XML_BUFSIZE - tags_length : 1;
    char value[XML_BUFSIZE];
    format_text_v(value, value_size, format, args);
    if (escape) xml_escape(value, value_size);
    // Put together as it stands: the value is never read as a format again.
    // An overlong indent or name is cut at the end of the line.
    char line[XML_BUFSIZE];
    std::size_t length = append_cut(line, 0, indent, indent_length);
    length = append_cut(line, length, "<", 1);
    length = append_cut(line, length, element, element_length);
    length = append_cut(line, length, ">", 1);
    length = append_cut(line, length, value, std::strlen(value));
    length = append_cut(line, length, "</", 2);
    length = append_cut(line, length, element, element_length);
    length = append_cut(line, length, ">", 1);
    line[length] = '\0';
    append_line_to_file(file_name, line);
}

}  // namespace

int init_xml_file() {
    std::FILE* file = std::fopen(glob_xml_file, "w");
    if (file == nullptr) return -1;
    std::fclose(file);
    return 0;
}

int write_xml_line(const char* file_name, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    append_formatted_line(file_name, XML_BUFSIZE, format, args);
    va_end(args);
    return 0;
}

int write_xml_element(const char* file_name, const char* indent, const char* element,
                      const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    write_element_line(file_name, indent, element, true, format, args);
    va_end(args);
    return 0;
}

int write_xml_value_line(const char* file_name, const char* indent, const char* element,
                         const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    write_element_line(file_name, indent, element, false, format, args);
    va_end(args);
    return 0;
}

// One left-to-right pass that gives what the classic escaping gives: first
// every '&' became the marker "##38;" and every marker then "&amp;" (so a
// marker already in the text becomes "&amp;" too), then '<', '>', the degree
// sign 0xB0, the apostrophe and the double quote became their references;
// control characters that XML forbids become blanks.
// No replacement can form a later pattern, so mapping each character (and
// each marker) once is the same. A result that does not fit is cut before the
// first piece that would not fit whole, so no reference is ever split.
int xml_escape(char* text, std::size_t size) {
    if (text == nullptr || size == 0 || !needs_escaping(text)) return 0;
    std::string work;
    for (const char* c = text; *c != '\0';) {
        const char* piece = entity_for(static_cast<unsigned char>(*c));
        std::size_t consumed = 1;
        if (*c == '#' && starts_with_marker(c)) {
            piece = "&amp;";
            consumed = kMarkerLength;
        }
        std::size_t piece_length = piece != nullptr ? std::strlen(piece) : 1;
        if (work.size() + piece_length >= size) break;
        if (piece != nullptr) {
            work.append(piece, piece_length);
        } else {
            work.push_back(*c);
        }
        c += consumed;
    }
    std::memcpy(text, work.data(), work.size());
    text[work.size()] = '\0';
    return 0;
}

int xml_escape(char* text) {
    return xml_escape(text, XML_BUFSIZE);
}

// Each of the 17 characters becomes '_' in place, so the name keeps its length.
int repair_file_name(char* name) {
    static constexpr const char kUnsafe[] = "\\/?!#; :%='<>$\"*&";
    for (char* c = name; *c != '\0'; ++c) {
        if (std::strchr(kUnsafe, *c) != nullptr) *c = '_';
    }
    return 0;
}
