// The entry points of the part pictures: a sheet as the CGM exports draw it,
// or the work view; written whole or not at all.
#include <standin/picture.hpp>

#include <exception>
#include <filesystem>

#include "drafting/cgm/cgm_writer.hpp"
#include "drafting/cgm/sheet_scene_builder.hpp"
#include "drafting/sheet_index.hpp"
#include "parts/store.hpp"
#include "picture/svg_picture.hpp"
#include "picture/work_view_picture.hpp"

namespace standin {
namespace {

std::string file_leaf(const std::string& name) {
    return std::filesystem::path(name).filename().string();
}

picture::Picture sheet_picture(const Part& part, const Object& sheet) {
    picture::Picture p;
    p.title = file_leaf(part.name) + " " + sheet.name.value_or("");
    const auto [width, height] = cgm::sheet_size(sheet);
    p.box = {0, 0, width, height};
    for (cgm::SceneGroup& group : cgm::sheet_scene(sheet))
        p.groups.push_back(picture::PictureGroup{std::move(group), picture::Emphasis::normal, {}});
    return p;
}

bool write_svg(const picture::Picture& p, const std::string& path, std::string& error) {
    const std::string text = picture::svg_text(p);
    if (cgm::write_metafile(path, cgm::Bytes(text.begin(), text.end())) == 0) return true;
    error = "cannot write " + path;
    return false;
}

}  // namespace

bool write_part_picture(tag_t part_tag, const PictureOptions& options, const std::string& path,
                        std::string& error) {
    try {
        const Part* part = find_part(part_tag);
        if (part == nullptr) {
            error = "no loaded part";
            return false;
        }
        if (!options.sheet) {
            picture::Picture p = picture::work_view_picture(*part, options);
            p.title = file_leaf(part->name);
            return write_svg(p, path, error);
        }
        const Object* sheet = find_sheet_by_name(*part, *options.sheet);
        if (sheet == nullptr) {
            error = "the part has no sheet " + *options.sheet;
            return false;
        }
        return write_svg(sheet_picture(*part, *sheet), path, error);
    } catch (const std::exception& e) {
        error = std::string("cannot draw the picture: ") + e.what();
        return false;
    }
}

bool write_sheet_pictures(tag_t part_tag, const std::string& folder, const std::string& stem,
                          std::vector<std::string>& written, std::string& error) {
    try {
        const Part* part = find_part(part_tag);
        if (part == nullptr) {
            error = "no loaded part";
            return false;
        }
        const auto sheets = part->by_type.find(RQ_drawing_type);
        if (sheets == part->by_type.end()) return true;
        for (tag_t t : sheets->second) {
            const Object* sheet = find_object(t);
            if (sheet == nullptr || sheet->erased || sheet->type != RQ_drawing_type) continue;
            const std::string name = sheet->name.value_or("");
            if (name.find('/') != std::string::npos) continue;
            const std::string path = folder + "/" + stem + "_" + name + ".svg";
            if (!write_svg(sheet_picture(*part, *sheet), path, error)) return false;
            written.push_back(path);
        }
        return true;
    } catch (const std::exception& e) {
        error = std::string("cannot draw the picture: ") + e.what();
        return false;
    }
}

}  // namespace standin
