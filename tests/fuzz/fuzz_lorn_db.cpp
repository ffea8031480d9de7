// The LORN database reader: a database file is taken whole or refused with
// one of the documented codes; after a login on what it accepted, the
// database's answers stay within the callers' buffers, and an item's number
// and revision encode into a name that decodes to the same fields.
#include <rq/rq.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_support.hpp"
#include "pdm/pdm.hpp"

namespace {

bool ended_within(const char* text, std::size_t size) {
    return strnlen(text, size) < size;
}

// A text buffer of exactly `size` bytes, so that ASan sees a write past it.
std::unique_ptr<char[]> buffer_of(std::size_t size) {
    std::unique_ptr<char[]> buffer(new char[size]);
    buffer[0] = '\0';
    return buffer;
}

void check_logged_in() {
    auto rule = buffer_of(516);
    FUZZ_CHECK(RQ_VRELMGR_ask_config_rule(rule.get()) == 0, "no rule after the login");
    FUZZ_CHECK(ended_within(rule.get(), 516), "rule name runs past its buffer");
    FUZZ_CHECK(RQ_VRELMGR_set_config_rule(rule.get()) == 0, "the current rule is refused");

    // The first item, if its number is a text the calls can carry.
    for (const char* number : {"0", "4711", "A", ""}) {
        tag_t item = NULL_TAG;
        if (RQ_VRELMGR_ask_part_tag(number, &item) != 0) continue;
        tag_t revision = NULL_TAG;
        const int code = RQ_VRELMGR_ask_configured_rev(item, &revision);
        FUZZ_CHECK(code == 0 || code == RQ_err_pdm_unknown, "configured revision: %d", code);
        if (code != 0) continue;
        auto rev_id = buffer_of(97);
        FUZZ_CHECK(RQ_VRELMGR_ask_part_revision_id(revision, rev_id.get()) == 0,
                   "no id for the configured revision");
        FUZZ_CHECK(ended_within(rev_id.get(), 97), "revision id runs past its buffer");
        const auto encoded = standin::encode_pdm_name({number, rev_id.get(), "", ""});
        FUZZ_CHECK(encoded.has_value(), "item %s revision %s does not encode", number,
                   rev_id.get());
        const auto decoded = standin::decode_pdm_name(*encoded);
        FUZZ_CHECK(decoded && decoded->number == number && decoded->revision == rev_id.get(),
                   "%s does not decode to its fields", encoded->c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("KAVOHOST_LORN_DB", kvtx_fuzz::temp_dir().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kvtx_fuzz::write_file(kvtx_fuzz::temp_path("lorn.json"), data, size);
    kvtx_fuzz::reset_state();
    standin::clear_faults();
    char program[] = "kavotalvex";
    char* argv[] = {program, nullptr};
    const int code = RQ_VRELMGR_initialize(1, argv);
    if (code == 0) {
        check_logged_in();
    } else {
        FUZZ_CHECK(
            code == RQ_err_file_corrupt || code == RQ_err_file_not_found || code == RQ_err_login,
            "login refused with code %d", code);
        FUZZ_CHECK(!standin::pdm_last_error().empty(), "login refused without a reason");
        int active = 1;
        FUZZ_CHECK(RQ_is_vrelmanager_active(&active) == 0 && active == 0,
                   "a refused login left LORN active");
    }
    kvtx_fuzz::reset_state();
    return 0;
}
