// Part files: JSON documents that hold one part (docs/part-format.md).
// Loading validates the whole file before anything enters the session, so a
// bad file loads nothing; saving is deterministic.
#pragma once

#include <nlohmann/json.hpp>

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "parts/store.hpp"
#include "session/refusals.hpp"

namespace standin {

using ordered_json = nlohmann::ordered_json;

// What a payload loader may ask while a file is read: object ids of the file
// turn into the tags the objects will have.
class LoadContext {
  public:
    // A reference field: absent, null or 0 give NULL_TAG; any other value must
    // be the id of an object of the file. False (with a reason) otherwise.
    bool resolve(const ordered_json& value, tag_t& tag, std::string& error) const;
    tag_t tag_of_id(std::int64_t id) const;  // NULL_TAG when the file has no such id

    std::unordered_map<std::int64_t, tag_t> ids;
};

// What a payload saver may ask: the id under which an object is written, or
// 0 when it is not written (another part, an occurrence, none).
class SaveContext {
  public:
    std::int64_t id_of(tag_t tag) const;
    tag_t part = NULL_TAG;
};

// Type-specific object data kept under a key of its own in an object's entry
// (for example "view"); every kind is one registered codec. A loader fills the
// object from the value, reading its fields through PayloadReader
// (payload_reader.hpp) with the list of the keys the entry may hold, and on a
// mismatch returns false with the reader's refusal (its place relative to
// the value, e.g. "size[1]"); a saver adds the key to the entry when the
// object carries that
// payload. Saved entries give their payload keys in the order of the keys.
// The JSON is the file's: its texts are UTF-8, while the object's texts are
// session texts (ISO-8859-1). The reader converts the texts it reads, a saver
// writes each with file_text (text_encoding.hpp); a text written unconverted
// makes the save fail.
using PayloadLoader = bool (*)(const ordered_json& value, Object& object,
                               const LoadContext& context, Refusal& error);
using PayloadSaver = void (*)(const Object& object, ordered_json& entry,
                              const SaveContext& context);
void register_payload(const std::string& key, PayloadLoader load, PayloadSaver save);

// Reads a part file into the session (not as work part). Returns 0 or
// RQ_err_file_not_found / RQ_err_file_unreadable / RQ_err_file_corrupt; on
// failure nothing is loaded and `error` tells why. A file that is there and
// refused (642, 643) is reported in a syslog line (refusals.hpp), whose text
// `error` then is.
int read_part_file(const std::string& path, const std::string& part_name, Part** part,
                   std::string& error);
// The text of a part's file, as write_part_file writes it.
std::string part_file_text(const Part& part);
// Writes the part's file; 0 or RQ_err_file_write.
int write_part_file(const Part& part, const std::string& path, std::string& error);

// Reasons of the last failed read or write, for diagnostics.
const std::string& last_part_file_error();

// Numbers that may be NaN or infinite are written as "nan", "inf", "-inf".
ordered_json number_to_json(double value);
bool number_from_json(const ordered_json& value, double& out);

// Savers' helpers: a fixed row of numbers as a JSON array; the ids of the
// tags that are written (others left out); a list of texts; a reference
// stored under `key` only when its object is written.
template <std::size_t N>
ordered_json numbers_json(const std::array<double, N>& values) {
    ordered_json j = ordered_json::array();
    for (double v : values) j.push_back(number_to_json(v));
    return j;
}
ordered_json ids_json(const std::vector<tag_t>& tags, const SaveContext& context);
ordered_json texts_json(const std::vector<std::string>& texts);  // session texts as UTF-8
void put_ref(ordered_json& j, const char* key, tag_t tag, const SaveContext& context);

}  // namespace standin
