// The stand-in's part-file reader: a file is loaded whole or refused with one
// of the reader's codes; what it accepted is saved, and the saved file must
// load again and save to the same bytes.
#include <rq/rq.h>

#include <string>

#include "fuzz_support.hpp"

namespace {

// Loads the part file in a fresh session; the open's code.
int load_fresh(const std::string& path, tag_t* part) {
    kvtx_fuzz::reset_state();
    FUZZ_CHECK(RQ_initialize() == 0, "session did not open");
    standin::clear_faults();  // faults from KAVOHOST_FAULTS play no part here
    return standin::load_part_file(path, part);
}

// Saves the part over its own file (so the path stays the same) and gives the text.
std::string save_over(tag_t part, const std::string& path) {
    standin::clear_faults();  // the file's own fault table must not fail the save
    const int code = standin::save_part_file(part, path);
    FUZZ_CHECK(code == 0, "a part the reader accepted does not save: %d %s", code,
               standin::last_load_error().c_str());
    return kvtx_fuzz::read_file(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = kvtx_fuzz::temp_path("part.prt");
    kvtx_fuzz::write_file(path, data, size);
    tag_t part = NULL_TAG;
    int code = load_fresh(path, &part);
    if (code != 0) {
        FUZZ_CHECK(code == RQ_err_file_not_found || code == RQ_err_file_unreadable ||
                       code == RQ_err_file_corrupt,
                   "refused with code %d", code);
        FUZZ_CHECK(standin::loaded_part(path) == NULL_TAG, "a refused file left a part loaded");
        FUZZ_CHECK(!standin::last_load_error().empty(), "refused without a reason");
        kvtx_fuzz::reset_state();
        return 0;
    }
    const std::string saved = save_over(part, path);
    code = load_fresh(path, &part);
    FUZZ_CHECK(code == 0, "the saved file does not load: %d %s", code,
               standin::last_load_error().c_str());
    const std::string again = save_over(part, path);
    FUZZ_CHECK(saved == again, "save, load and save differ:\n%.600s\n----\n%.600s", saved.c_str(),
               again.c_str());
    kvtx_fuzz::reset_state();
    return 0;
}
