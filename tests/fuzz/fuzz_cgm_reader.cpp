// The CGM reader of the import mode: a metafile is read whole or refused with
// a short reason and nothing read; what is read keeps its promises (bounded
// count, arcs with ordered angles in one turn, finite numbers), and importing
// the file into a work part (uc6411) creates exactly one object per primitive
// or refuses with a documented code, a bounded message and no object.
#include <rq/rq.h>

#include <cmath>
#include <cstring>
#include <string>

#include "drafting/cgm/cgm_reader.hpp"
#include "fuzz_support.hpp"

namespace {

using standin::cgm::Primitive;

constexpr double kTurn = 2 * M_PI;

bool finite(standin::cgm::Point2 p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

void check_primitive(const Primitive& item) {
    switch (item.kind) {
        case Primitive::Kind::line:
            FUZZ_CHECK(finite(item.start) && finite(item.end), "line with a non-finite end");
            break;
        case Primitive::Kind::arc:
            FUZZ_CHECK(finite(item.centre) && std::isfinite(item.radius), "arc not finite");
            FUZZ_CHECK(item.start_angle >= 0 && item.start_angle < kTurn,
                       "arc start angle %g outside one turn", item.start_angle);
            FUZZ_CHECK(item.start_angle < item.end_angle &&
                           item.end_angle <= item.start_angle + kTurn * (1 + 1e-12),
                       "arc angles %g to %g", item.start_angle, item.end_angle);
            break;
        case Primitive::Kind::text:
            FUZZ_CHECK(
                finite(item.origin) && std::isfinite(item.height) && std::isfinite(item.angle),
                "text not finite");
            break;
    }
}

int objects_in_work_part() {
    int count = 0;
    tag_t object = NULL_TAG;
    for (int type : {RQ_line_type, RQ_circle_type, RQ_drafting_entity_type}) {
        object = NULL_TAG;
        while (RQ_OBJ_cycle_objs_in_part(RQ_ASSEM_ask_work_part(), type, &object) == 0 &&
               object != NULL_TAG)
            ++count;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kvtx_fuzz::reset_state();
    RQ_initialize();
    standin::PartBuilder("template").write(kvtx_fuzz::temp_path("template.prt"));
    kvtx_fuzz::reset_state();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const standin::cgm::Bytes bytes(data, data + size);
    standin::cgm::Drawing drawing;
    std::string error;
    const bool read = standin::cgm::read_metafile(bytes, drawing, error);
    if (read) {
        FUZZ_CHECK(drawing.items.size() <= standin::cgm::kMaxPrimitives, "%zu primitives",
                   drawing.items.size());
        for (const Primitive& item : drawing.items) check_primitive(item);
    } else {
        FUZZ_CHECK(drawing.items.empty(), "a refused file left %zu primitives",
                   drawing.items.size());
        FUZZ_CHECK(!error.empty() && error.size() <= 256, "reason of %zu characters", error.size());
    }

    const std::string file = kvtx_fuzz::temp_path("input.cgm");
    kvtx_fuzz::write_file(file, data, size);
    kvtx_fuzz::reset_state();
    FUZZ_CHECK(RQ_initialize() == 0, "session did not open");
    standin::clear_faults();
    tag_t part = NULL_TAG;
    FUZZ_CHECK(RQ_PART_open(kvtx_fuzz::temp_path("template.prt").c_str(), &part, nullptr) == 0,
               "template does not open");
    const int before = objects_in_work_part();
    char message[256];
    std::memset(message, 'x', sizeof message);
    const int code = uc6411(file.c_str(), message);
    FUZZ_CHECK(strnlen(message, sizeof message) < sizeof message, "message runs past its buffer");
    const int created = objects_in_work_part() - before;
    if (read) {
        FUZZ_CHECK(code == 0 && message[0] == '\0', "a file the reader takes is refused: %d %s",
                   code, message);
        FUZZ_CHECK(created == static_cast<int>(drawing.items.size()),
                   "%d objects for %zu primitives", created, drawing.items.size());
    } else {
        FUZZ_CHECK(code == RQ_err_cgm_read && message[0] != '\0',
                   "a file the reader refuses gives %d", code);
        FUZZ_CHECK(created == 0, "a refused import created %d objects", created);
    }
    kvtx_fuzz::reset_state();
    return 0;
}
