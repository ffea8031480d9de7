// The one reader of a part file's JSON objects (payload_reader.hpp).
#include "parts/payload_reader.hpp"

#include <limits>

#include "session/text_encoding.hpp"

namespace standin {

PayloadReader::PayloadReader(const ordered_json& value, const LoadContext* context, Refusal& error)
    : value_(value), context_(context), error_(error) {
    if (!value_.is_object()) fail("", "expected an object");
}

PayloadReader::PayloadReader(const ordered_json& value, const LoadContext* context, Refusal& error,
                             KnownKeys keys)
    : PayloadReader(value, context, error) {
    refuse_unknown_keys(keys);
}

void PayloadReader::refuse_unknown_keys(KnownKeys keys) {
    if (!ok_) return;
    if (const std::string* key = first_unknown_key(value_, keys)) fail(*key, "unknown key");
}

const ordered_json* PayloadReader::find(const char* key) const {
    if (!ok_) return nullptr;
    auto it = value_.find(key);
    return it == value_.end() || it->is_null() ? nullptr : &*it;
}

void PayloadReader::fail(const std::string& key, const std::string& reason) {
    fail_at(key.empty() ? std::string() : key_place("", key), reason);
}

void PayloadReader::fail_at(const std::string& place, const std::string& reason) {
    if (!ok_) return;
    ok_ = false;
    error_ = Refusal{place, reason};
}

void PayloadReader::require(const char* key) {
    if (ok_ && find(key) == nullptr) fail(key, "missing");
}

std::int64_t PayloadReader::int64(const char* key, std::int64_t fallback) {
    const ordered_json* v = find(key);
    if (v == nullptr) return fallback;
    if (!v->is_number_integer()) {
        fail(key, "expected a whole number");
        return fallback;
    }
    if (v->is_number_unsigned() &&
        v->get<std::uint64_t>() >
            static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        fail(key, "out of range");
        return fallback;
    }
    return v->get<std::int64_t>();
}

int PayloadReader::integer(const char* key, int fallback) {
    const std::int64_t v = int64(key, fallback);
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) {
        fail(key, "out of range");
        return fallback;
    }
    return static_cast<int>(v);
}

double PayloadReader::number(const char* key, double fallback) {
    const ordered_json* v = find(key);
    if (v == nullptr) return fallback;
    double out = fallback;
    if (!number_from_json(*v, out)) {
        fail(key, "expected a number");
        return fallback;
    }
    return out;
}

bool PayloadReader::boolean(const char* key, bool fallback) {
    const ordered_json* v = find(key);
    if (v == nullptr) return fallback;
    if (v->is_boolean()) return v->get<bool>();
    if (v->is_number_integer() && (*v == 0 || *v == 1)) return *v == 1;
    fail(key, "expected true or false");
    return fallback;
}

std::string PayloadReader::text(const char* key, const std::string& fallback) {
    return optional_text(key).value_or(fallback);
}

std::optional<std::string> PayloadReader::optional_text(const char* key) {
    const ordered_json* v = find(key);
    if (v == nullptr) return std::nullopt;
    std::string out;
    std::string reason;
    if (!session_text(*v, out, reason)) {
        fail(key, reason);
        return std::nullopt;
    }
    return out;
}

std::vector<std::string> PayloadReader::texts(const char* key) {
    std::vector<std::string> out;
    const ordered_json* v = find(key);
    if (v == nullptr) return out;
    if (!v->is_array()) {
        fail(key, "expected a list of texts");
        return out;
    }
    for (std::size_t i = 0; i < v->size(); ++i) {
        std::string text;
        std::string reason;
        if (!session_text((*v)[i], text, reason)) {
            fail_at(index_place(key_place("", key), i), reason);
            return {};
        }
        out.push_back(std::move(text));
    }
    return out;
}

std::string PayloadReader::file_name(const char* key) {
    const ordered_json* v = find(key);
    if (v == nullptr) return {};
    if (!v->is_string()) {
        fail(key, "expected a text");
        return {};
    }
    return v->get<std::string>();
}

tag_t PayloadReader::ref(const char* key) {
    const ordered_json* v = find(key);
    if (v == nullptr) return NULL_TAG;
    tag_t tag = NULL_TAG;
    std::string reason = "no reference allowed here";
    if (context_ == nullptr || !context_->resolve(*v, tag, reason)) fail(key, reason);
    return tag;
}

std::vector<tag_t> PayloadReader::refs(const char* key) {
    std::vector<tag_t> out;
    const ordered_json* v = find(key);
    if (v == nullptr) return out;
    if (!v->is_array()) {
        fail(key, "expected a list of object ids");
        return out;
    }
    out.reserve(v->size());
    for (std::size_t i = 0; i < v->size(); ++i) {
        tag_t tag = NULL_TAG;
        std::string reason = "no reference allowed here";
        if (context_ == nullptr || !context_->resolve((*v)[i], tag, reason)) {
            fail_at(index_place(key_place("", key), i), reason);
            return {};
        }
        if (tag != NULL_TAG) out.push_back(tag);
    }
    return out;
}

}  // namespace standin
