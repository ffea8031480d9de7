// CGM import into the work part (uc6411), the work view and its
// view-dependent objects, and moving objects by a matrix (rq5943, rq5947).
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "drafting/cgm/cgm_reader.hpp"
#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/memory.hpp"

using namespace standin;

namespace {

constexpr std::size_t kMessageSize = 256;
constexpr long long kMaxCgmFileSize = 256LL * 1024 * 1024;
// Imports stop short of a part of more objects than this: each file is
// bounded by its primitives, the part by its objects.
constexpr std::size_t kMaxPartObjects = 4 * cgm::kMaxPrimitives;
constexpr const char* kWorkViewName = "TOP";
constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr int kNoteSubtype = 1;

int failure(char* message, int code, const std::string& reason) {
    copy_out(message, kMessageSize, reason);
    return code;
}

// Reads the whole file; 0, or a code with the reason.
int read_cgm_file(const char* path, cgm::Bytes& data, std::string& reason) {
    struct stat st {};
    if (stat(path, &st) != 0) {
        reason = std::string("cannot open the file: ") + std::strerror(errno);
        return errno == ENOENT ? RQ_err_file_not_found : RQ_err_file_unreadable;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = "cannot read the file: it is no regular file";
        return RQ_err_file_unreadable;
    }
    if (st.st_size > kMaxCgmFileSize) {
        reason = "the file is larger than 256 MB";
        return RQ_err_cgm_read;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), &std::fclose);
    if (!file) {
        reason = std::string("cannot open the file: ") + std::strerror(errno);
        return RQ_err_file_unreadable;
    }
    data.resize(static_cast<std::size_t>(st.st_size));
    const std::size_t got = data.empty() ? 0 : std::fread(data.data(), 1, data.size(), file.get());
    if (got != data.size() || std::ferror(file.get())) {
        reason = "cannot read the whole file";
        return RQ_err_file_unreadable;
    }
    return 0;
}

// The modelling work view of the part: its view named "TOP", made (not
// displayable, outside any sheet) when the part has none.
tag_t work_view_of(Part& part) {
    if (const Object* v = find_object(part.work_view);
        v != nullptr && !v->erased && v->part == part.tag && v->type == RQ_view_type)
        return part.work_view;
    for (tag_t t = next_of_type(part, RQ_view_type, NULL_TAG); t != NULL_TAG;
         t = next_of_type(part, RQ_view_type, t)) {
        const Object* v = find_object(t);
        if (v->name && *v->name == kWorkViewName) return part.work_view = t;
    }
    Object& view = add_object(part, RQ_view_type, 0);
    view.name = kWorkViewName;
    view.displayable = false;
    view.view = std::make_unique<View>();
    return part.work_view = view.tag;
}

std::array<double, 3> model_point(cgm::Point2 p) {
    return {p.x, p.y, 0.0};
}

// One object of the drawing on the work layer, dependent on the view.
void create_object(Part& part, const cgm::Primitive& item, int layer, tag_t view) {
    using Kind = cgm::Primitive::Kind;
    Object* o = nullptr;
    if (item.kind == Kind::line) {
        o = &add_object(part, RQ_line_type, 0);
        o->line = std::make_unique<Line>();
        o->line->start = model_point(item.start);
        o->line->end = model_point(item.end);
    } else if (item.kind == Kind::arc) {
        o = &add_object(part, RQ_circle_type, 0);
        o->arc = std::make_unique<Arc>();
        o->arc->centre = model_point(item.centre);
        o->arc->radius = item.radius;
        o->arc->start_angle = item.start_angle;
        o->arc->end_angle = item.end_angle;
    } else {
        o = &add_object(part, RQ_drafting_entity_type, kNoteSubtype);
        o->drafting = std::make_unique<Drafting>();
        o->drafting->origin = model_point(item.origin);
        TextBlock block;
        block.font = o->font;
        block.size = item.height;
        block.angle = item.angle * kDegreesPerRadian;
        block.lines.push_back(item.text);
        o->drafting->text_blocks.push_back(std::move(block));
        o->drafting->text.push_back(item.text);
    }
    o->layer = layer;
    index_object(part, *o);
    o->dependent_view = view;
    touch_object(*o);
}

std::array<double, 3> transformed(const double m[16], const std::array<double, 3>& p) {
    return {m[0] * p[0] + m[1] * p[1] + m[2] * p[2] + m[3],
            m[4] * p[0] + m[5] * p[1] + m[6] * p[2] + m[7],
            m[8] * p[0] + m[9] * p[1] + m[10] * p[2] + m[11]};
}

// Moves the geometry an object carries; objects without geometry stay.
void move_object(Object& o, const double m[16]) {
    if (o.point) o.point->xyz = transformed(m, o.point->xyz);
    if (o.line) {
        o.line->start = transformed(m, o.line->start);
        o.line->end = transformed(m, o.line->end);
    }
    if (o.arc) {
        // Rotation and uniform scale about Z; mirrored arcs are not kept.
        const double turn = std::atan2(m[4], m[0]);
        o.arc->centre = transformed(m, o.arc->centre);
        o.arc->radius *= std::hypot(m[0], m[4]);
        o.arc->start_angle += turn;
        o.arc->end_angle += turn;
    }
    if (o.drafting) o.drafting->origin = transformed(m, o.drafting->origin);
    touch_object(o);
}

}  // namespace

extern "C" {

int uc6411(const char* cgm_file, char message[256]) {
    if (message == nullptr) return RQ_err_bad_argument;
    message[0] = '\0';
    if (int code = fault_code("uc6411")) return failure(message, code, "the import was refused");
    if (cgm_file == nullptr || *cgm_file == '\0')
        return failure(message, RQ_err_bad_argument, "no CGM file named");
    Part* part = work_part();
    if (part == nullptr) return failure(message, RQ_err_no_work_part, "there is no work part");

    cgm::Bytes data;
    std::string reason;
    if (int code = read_cgm_file(cgm_file, data, reason)) return failure(message, code, reason);
    cgm::Drawing drawing;
    if (!cgm::read_metafile(data, drawing, reason))
        return failure(message, RQ_err_cgm_read, reason);

    if (part->objects.size() + drawing.items.size() + 1 > kMaxPartObjects) {
        return failure(
            message, RQ_err_cgm_read,
            "the part would hold more than " + std::to_string(kMaxPartObjects) + " objects");
    }
    const tag_t view = work_view_of(*part);
    const int layer = session().work_layer;
    for (const cgm::Primitive& item : drawing.items) create_object(*part, item, layer, view);
    return 0;
}

int rq5943(const double vector[3], double matrix[16]) {
    if (int code = fault_code("rq5943")) return code;
    if (vector == nullptr || matrix == nullptr) return RQ_err_bad_argument;
    for (int i = 0; i < 16; ++i) matrix[i] = (i % 5 == 0) ? 1.0 : 0.0;
    matrix[3] = vector[0];
    matrix[7] = vector[1];
    matrix[11] = vector[2];
    return 0;
}

int rq5947(const double matrix[16], const tag_t objects[], int n_objects, int move, int layer,
           int trace, tag_t copies[], tag_t* trace_curves, int* status) {
    if (status != nullptr) *status = 0;
    if (trace_curves != nullptr) *trace_curves = NULL_TAG;
    if (matrix == nullptr || status == nullptr || n_objects < 0 ||
        (n_objects > 0 && objects == nullptr) || move != 1)
        return RQ_err_bad_argument;
    for (int i = 0; i < n_objects; ++i) {
        if (copies != nullptr) copies[i] = NULL_TAG;
        Object* o = find_object(objects[i]);
        // A fault set for rq5947 (for all objects or one handle) fails
        // the objects in the status, not the call.
        int code = fault_code("rq5947", objects[i]);
        if (code == 0 && (o == nullptr || o->erased)) code = RQ_err_bad_tag;
        if (code != 0) {
            if (*status == 0) *status = code;
            continue;
        }
        move_object(*o, matrix);
    }
    return 0;
}

int RQ_VIEW_ask_work_view(tag_t* view) {
    if (view == nullptr) return RQ_err_bad_argument;
    *view = NULL_TAG;
    if (int code = fault_code("RQ_VIEW_ask_work_view")) return code;
    Part* part = work_part();
    if (part == nullptr) return RQ_err_no_work_part;
    *view = work_view_of(*part);
    return 0;
}

int RQ_VIEW_convert_to_model(tag_t view, tag_t object) {
    if (int code = fault_code("RQ_VIEW_convert_to_model", object)) return code;
    const Object* v = find_object(view);
    Object* o = find_object(object);
    if (v == nullptr || v->erased || v->type != RQ_view_type) return RQ_err_bad_tag;
    if (o == nullptr || o->erased) return RQ_err_bad_tag;
    if (o->dependent_view == NULL_TAG) return 0;  // a model object already
    if (o->dependent_view != view) return RQ_err_bad_argument;
    o->dependent_view = NULL_TAG;
    touch_object(*o);
    return 0;
}

}  // extern "C"
