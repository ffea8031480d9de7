// The XML escaping and element writers: what they write where the value is
// escaped must be well-formed character data of the report (ISO-8859-1),
// whatever the value holds, and must read back as the value (or a cut of it
// where the line is full). Also the repair of file names.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "common/run_settings.hpp"
#include "fuzz_support.hpp"
#include "utils/xml_writer.hpp"

namespace {

// The references the escaping writes, and the character each stands for.
struct Reference {
    std::string_view text;
    char character;
};
constexpr Reference kReferences[] = {{"&amp;", '&'},     {"&lt;", '<'},    {"&gt;", '>'},
                                     {"&#176;", '\xB0'}, {"&apos;", '\''}, {"&quot;", '"'}};

// A character XML 1.0 allows in character data of an ISO-8859-1 document.
bool allowed_character(unsigned char c) {
    return c >= 0x20 || c == '\t' || c == '\n' || c == '\r';
}

// The escaped value read back as an XML reader reads character data; checks
// on the way that it is well-formed: no markup character and each '&' one of
// the references above.
std::string unescape_checked(std::string_view escaped, std::string_view what) {
    std::string text;
    for (std::size_t i = 0; i < escaped.size();) {
        const unsigned char c = static_cast<unsigned char>(escaped[i]);
        FUZZ_CHECK(allowed_character(c), "%.*s: character 0x%02X that XML does not allow",
                   static_cast<int>(what.size()), what.data(), c);
        FUZZ_CHECK(c != '<' && c != '>' && c != '"' && c != '\'', "%.*s: '%c' not escaped at %zu",
                   static_cast<int>(what.size()), what.data(), c, i);
        if (c != '&') {
            text.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        const Reference* found = nullptr;
        for (const Reference& reference : kReferences)
            if (escaped.substr(i, reference.text.size()) == reference.text) found = &reference;
        FUZZ_CHECK(found != nullptr, "%.*s: '&' at %zu starts no reference",
                   static_cast<int>(what.size()), what.data(), i);
        text.push_back(found->character);
        i += found->text.size();
    }
    return text;
}

// What an XML reader must read for a value: each "##38;" (the old marker of
// the ampersand) reads as '&', as the escaping has always written it, and a
// control character that XML forbids as a blank.
std::string value_as_read(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size();) {
        if (value.substr(i, 5) == "##38;") {
            text.push_back('&');
            i += 5;
        } else {
            const char c = value[i++];
            text.push_back(allowed_character(static_cast<unsigned char>(c)) ? c : ' ');
        }
    }
    return text;
}

std::size_t escaped_length(std::string_view value) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < value.size();) {
        if (value.substr(i, 5) == "##38;") {
            length += 5;
            i += 5;
            continue;
        }
        const char c = value[i++];
        length += c == '&'                ? 5
                  : c == '<' || c == '>'  ? 4
                  : c == '\xB0'           ? 6
                  : c == '\'' || c == '"' ? 6
                                          : 1;
    }
    return length;
}

void check_read_back(std::string_view escaped, std::string_view value, std::size_t room,
                     const char* what) {
    const std::string read = unescape_checked(escaped, what);
    const std::string expected = value_as_read(value);
    FUZZ_CHECK(expected.compare(0, read.size(), read) == 0 && read.size() <= expected.size(),
               "%s: reads back as no cut of the value", what);
    if (escaped_length(value) < room)
        FUZZ_CHECK(read == expected, "%s: cut although the escaped value fits", what);
}

// xml_escape in place in a buffer of exactly `size` bytes.
void check_escape(const std::string& value, std::size_t extra) {
    const std::size_t size = value.size() + 1 + extra;
    std::unique_ptr<char[]> buffer(new char[size]);
    std::memcpy(buffer.get(), value.c_str(), value.size() + 1);
    xml_escape(buffer.get(), size);
    const std::size_t length = strnlen(buffer.get(), size);
    FUZZ_CHECK(length < size, "xml_escape left no end in %zu bytes", size);
    check_read_back(std::string_view(buffer.get(), length), value, size, "xml_escape");
}

// write_xml_element appends one line: indent, tags and the escaped value.
void check_element(const std::string& indent, const std::string& element,
                   const std::string& value) {
    const std::string file = kvtx_fuzz::temp_path("report.xml");
    kvtx_fuzz::write_file(file, "");
    write_xml_element(file.c_str(), indent.c_str(), element.c_str(), "%s", value.c_str());
    const std::string line = kvtx_fuzz::read_file(file);
    FUZZ_CHECK(line.size() <= XML_BUFSIZE && !line.empty() && line.back() == '\n',
               "element line of %zu bytes", line.size());
    const std::size_t tags = indent.size() + 2 * element.size() + 5;
    if (tags >= XML_BUFSIZE) return;  // an overlong name is cut at the line's end
    const std::string open = indent + "<" + element + ">";
    const std::string close = "</" + element + ">\n";
    FUZZ_CHECK(line.size() >= open.size() + close.size() &&
                   line.compare(0, open.size(), open) == 0 &&
                   line.compare(line.size() - close.size(), close.size(), close) == 0,
               "element line lost its tags");
    const std::string_view escaped(line.data() + open.size(),
                                   line.size() - open.size() - close.size());
    // The value is formatted into what the tags leave, then escaped there.
    const std::size_t room = XML_BUFSIZE - tags;
    check_read_back(escaped, std::string_view(value).substr(0, room - 1), room,
                    "write_xml_element");
}

void check_repair(std::string name) {
    const std::size_t length = name.size();
    repair_file_name(name.data());
    FUZZ_CHECK(std::strlen(name.c_str()) == length, "repair_file_name changed the length");
    FUZZ_CHECK(name.find_first_of("\\/?!#; :%='<>$\"*&") == std::string::npos,
               "repair_file_name left an unsafe character");
}

std::string element_name(FuzzedDataProvider& input) {
    static constexpr const char* kNames[] = {"Name", "Value", "PartName", "a"};
    if (input.ConsumeIntegralInRange(0, 15) != 0) return kNames[input.ConsumeIntegralInRange(0, 3)];
    return std::string(input.ConsumeIntegralInRange<std::size_t>(1, 6000), 'N');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string indent(input.ConsumeIntegralInRange(0, 12), ' ');
    const std::string element = element_name(input);
    const std::size_t extra = input.ConsumeIntegralInRange<std::size_t>(0, 40);
    std::string value = input.ConsumeRemainingBytesAsString();
    value.resize(std::strlen(value.c_str()));
    check_escape(value, extra);
    check_element(indent, element, value);
    check_repair(value);
    return 0;
}
