// The one reader of a part file's JSON objects: the top level, the common
// fields of an object and every payload codec read their fields through it
// (docs/part-format.md). An absent or null key gives the fallback. The first
// mismatch is kept in the caller's Refusal, its place relative to the value
// read ("text_blocks[0].font"), and makes ok() false; every later read then
// gives its fallback.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "parts/part_file.hpp"

namespace standin {

class PayloadReader {
  public:
    // A sub-object: keys outside `keys` are refused. `context` resolves
    // references; without one a reference is refused.
    PayloadReader(const ordered_json& value, const LoadContext* context, Refusal& error,
                  KnownKeys keys);
    PayloadReader(const ordered_json& value, const LoadContext& context, Refusal& error,
                  KnownKeys keys)
        : PayloadReader(value, &context, error, keys) {}
    // The top level or an object entry: keys it does not read are kept by
    // the caller, so none is refused.
    PayloadReader(const ordered_json& value, const LoadContext* context, Refusal& error);

    bool ok() const { return ok_; }
    // The value under the key; nullptr when it is absent or null.
    const ordered_json* find(const char* key) const;
    // Keeps the first problem: at the key (empty: the value as a whole), or
    // at a place below it ("size[1]").
    void fail(const std::string& key, const std::string& reason);
    void fail_at(const std::string& place, const std::string& reason);
    // A key without which the payload means nothing.
    void require(const char* key);

    std::int64_t int64(const char* key, std::int64_t fallback);
    int integer(const char* key, int fallback);
    double number(const char* key, double fallback);
    bool boolean(const char* key, bool fallback);  // true/false, or 0/1
    // Session texts: the file's UTF-8 as ISO-8859-1.
    std::string text(const char* key, const std::string& fallback);
    std::optional<std::string> optional_text(const char* key);
    std::vector<std::string> texts(const char* key);
    // A file name keeps the bytes the file system knows it by: not converted.
    std::string file_name(const char* key);
    template <std::size_t N>
    std::array<double, N> numbers(const char* key, const std::array<double, N>& fallback);
    // References: object ids of the file; 0 means none.
    tag_t ref(const char* key);
    std::vector<tag_t> refs(const char* key);
    // The list of objects under the key, each with the known keys and read
    // by read_one(reader, item).
    template <typename T, typename ReadOne>
    std::vector<T> list(const char* key, KnownKeys keys, ReadOne read_one);
    // The object under the key, read by read_one(reader); false when absent.
    template <typename ReadOne>
    bool object(const char* key, KnownKeys keys, ReadOne read_one);

  private:
    void refuse_unknown_keys(KnownKeys keys);

    const ordered_json& value_;
    const LoadContext* context_;
    Refusal& error_;
    bool ok_ = true;
};

template <std::size_t N>
std::array<double, N> PayloadReader::numbers(const char* key,
                                             const std::array<double, N>& fallback) {
    const ordered_json* v = find(key);
    if (v == nullptr) return fallback;
    std::array<double, N> out = fallback;
    if (!v->is_array() || v->size() != N) {
        fail(key, "expected a list of " + std::to_string(N) + " numbers");
        return fallback;
    }
    for (std::size_t i = 0; i < N; ++i) {
        if (!number_from_json((*v)[i], out[i])) {
            fail_at(index_place(key_place("", key), i), "expected a number");
            return fallback;
        }
    }
    return out;
}

template <typename T, typename ReadOne>
std::vector<T> PayloadReader::list(const char* key, KnownKeys keys, ReadOne read_one) {
    std::vector<T> out;
    const ordered_json* v = find(key);
    if (v == nullptr) return out;
    if (!v->is_array()) {
        fail(key, "expected a list");
        return out;
    }
    out.reserve(v->size());
    for (std::size_t i = 0; i < v->size(); ++i) {
        Refusal inner;
        PayloadReader item((*v)[i], context_, inner, keys);
        T value{};
        if (item.ok()) read_one(item, value);
        if (!item.ok()) {
            fail_at(join_place(index_place(key_place("", key), i), inner.place), inner.reason);
            return {};
        }
        out.push_back(std::move(value));
    }
    return out;
}

template <typename ReadOne>
bool PayloadReader::object(const char* key, KnownKeys keys, ReadOne read_one) {
    const ordered_json* v = find(key);
    if (v == nullptr || !ok_) return false;
    Refusal inner;
    PayloadReader reader(*v, context_, inner, keys);
    if (reader.ok()) read_one(reader);
    if (!reader.ok()) fail_at(join_place(key_place("", key), inner.place), inner.reason);
    return ok_;
}

}  // namespace standin
