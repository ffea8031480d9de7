// Conversions between session texts (ISO-8859-1) and file texts (UTF-8).
#include "session/text_encoding.hpp"

#include <cstdio>

namespace standin {
namespace {

std::string code_point_name(unsigned long cp) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04lX", cp);
    return buffer;
}

// Length of the UTF-8 sequence that starts with `lead`, 0 for a byte that
// cannot start one.
std::size_t sequence_length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

template <class Json>
bool text_of(const Json& value, std::string& out, std::string& error) {
    if (!value.is_string()) {
        error = "expected a text";
        return false;
    }
    auto converted = utf8_to_latin1(value.template get_ref<const std::string&>(), error);
    if (!converted) return false;
    out = std::move(*converted);
    return true;
}

}  // namespace

std::string latin1_to_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (byte >> 6));
            out += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return out;
}

std::optional<std::string> utf8_to_latin1(std::string_view text, std::string& error) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = sequence_length(lead);
        if (length == 0 || i + length > text.size()) {
            error = "is not valid UTF-8 (byte " + std::to_string(i + 1) + ")";
            return std::nullopt;
        }
        unsigned long cp = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                error = "is not valid UTF-8 (byte " + std::to_string(i + k + 1) + ")";
                return std::nullopt;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
        if (overlong || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
            error = "is not valid UTF-8 (byte " + std::to_string(i + 1) + ")";
            return std::nullopt;
        }
        if (cp > 0xFF) {
            error = "holds the character " + code_point_name(cp) +
                    ", which is beyond U+00FF (texts are ISO-8859-1)";
            return std::nullopt;
        }
        out += static_cast<char>(cp);
        i += length;
    }
    return out;
}

bool session_text(const nlohmann::json& value, std::string& out, std::string& error) {
    return text_of(value, out, error);
}

bool session_text(const nlohmann::ordered_json& value, std::string& out, std::string& error) {
    return text_of(value, out, error);
}

}  // namespace standin
