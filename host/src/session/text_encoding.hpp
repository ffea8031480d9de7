// Texts of the session are ISO-8859-1 bytes (one byte a character, as the
// system's reports declare); files hold UTF-8. Every text that goes from a
// file into the session, or back, passes through here.
//
// Payload codecs (register_payload, part_file.hpp) get the raw JSON of their
// key: they read each text with session_text and write each with file_text.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace standin {

// UTF-8 of an ISO-8859-1 text: bytes 0x00-0x7F stay, 0x80-0xFF become two
// bytes. Never fails.
std::string latin1_to_utf8(std::string_view text);

// ISO-8859-1 of a UTF-8 text; nullopt (and a reason in `error`) when the text
// is not valid UTF-8 or holds a character beyond U+00FF.
std::optional<std::string> utf8_to_latin1(std::string_view text, std::string& error);

// A JSON text value as a session text: false (and a reason) when `value` is
// no text or holds a character that ISO-8859-1 lacks.
bool session_text(const nlohmann::json& value, std::string& out, std::string& error);
bool session_text(const nlohmann::ordered_json& value, std::string& out, std::string& error);

// A session text as it goes into a file.
inline std::string file_text(std::string_view text) {
    return latin1_to_utf8(text);
}

}  // namespace standin
