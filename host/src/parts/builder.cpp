// PartBuilder: part files for tests, in the part-file format.
#include <standin/testing.hpp>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "session/text_encoding.hpp"

namespace standin {
namespace {

// The document with every text and key turned from session text into UTF-8.
nlohmann::json file_json(const nlohmann::json& j) {
    if (j.is_string()) return file_text(j.get_ref<const std::string&>());
    if (j.is_array()) {
        nlohmann::json out = nlohmann::json::array();
        for (const auto& item : j) out.push_back(file_json(item));
        return out;
    }
    if (j.is_object()) {
        nlohmann::json out = nlohmann::json::object();
        for (auto it = j.begin(); it != j.end(); ++it)
            out[file_text(it.key())] = file_json(it.value());
        return out;
    }
    return j;
}

}  // namespace

PartBuilder::PartBuilder(std::string part_id) {
    doc_ = nlohmann::json::object();
    doc_["format"] = "kavo-part";
    doc_["format_version"] = 1;
    doc_["part_id"] = std::move(part_id);
    doc_["units"] = RQ_PART_METRIC;
    doc_["objects"] = nlohmann::json::array();
}

std::int64_t PartBuilder::add(int type, int subtype, nlohmann::json fields) {
    if (!fields.is_object())
        throw std::invalid_argument("PartBuilder::add: fields must be an object");
    std::int64_t id = next_id_;
    if (auto given = fields.find("id"); given != fields.end()) id = given->get<std::int64_t>();
    if (id >= next_id_) next_id_ = id + 1;
    fields["id"] = id;
    fields["type"] = type;
    fields["subtype"] = subtype;
    doc_["objects"].push_back(std::move(fields));
    return id;
}

nlohmann::json& PartBuilder::object(std::int64_t id) {
    for (auto& entry : doc_["objects"]) {
        if (entry.value("id", std::int64_t{0}) == id) return entry;
    }
    throw std::out_of_range("PartBuilder::object: no object with id " + std::to_string(id));
}

std::string PartBuilder::handle(std::int64_t id) const {
    return doc_.value("part_id", std::string()) + ":" + std::to_string(id);
}

void PartBuilder::write(const std::string& path) const {
    auto folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << file_json(doc_).dump(2) << '\n';
    if (!out) throw std::runtime_error("PartBuilder::write: cannot write " + path);
}

tag_t PartBuilder::open(const std::string& path) const {
    write(path);
    tag_t part = NULL_TAG;
    RQ_PART_load_status_t status{};
    return RQ_PART_open(path.c_str(), &part, &status) == 0 ? part : NULL_TAG;
}

}  // namespace standin
