// Product-data-management part names: a database part name or a bare part
// number becomes the encoded name the host opens; and the opening of a part.
#include "utils/pdm_names.hpp"

#include <rq/rq.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "utils/run_log.hpp"
#include "utils/text_fields.hpp"

namespace {

constexpr int kLineEncode = 544;
constexpr int kLineOpen = 608;

constexpr std::size_t kInputSize = 512;       // the copy of the user's name
constexpr std::size_t kHostFieldSize = 3469;  // number, file type, file name, encoded name
constexpr std::size_t kRevisionSize = 385;

bool holds_database_marker(const char* name) {
    for (const char* p = name; p[0] != '\0' && p[1] != '\0' && p[2] != '\0'; ++p) {
        if (p[0] == '@' && std::toupper(static_cast<unsigned char>(p[1])) == 'D' &&
            std::toupper(static_cast<unsigned char>(p[2])) == 'B') {
            return true;
        }
    }
    return false;
}

// An encoded name cut short may name another part: one that does not fit the
// caller's buffer gives no name, so that the open fails.
void give_encoded_name(const char* encoded, char* out, std::size_t out_size) {
    if (std::strlen(encoded) >= out_size) {
        out[0] = '\0';
        return;
    }
    copy_text(out, out_size, encoded);
}

// @DB<d>number<d>revision<d>type<d>name; with "@" as delimiter the leading "@"
// counts as one, which shifts every field by one.
int encode_database_part_name(const char* part_name, char* out, std::size_t out_size) {
    if (std::strlen(part_name) < 4) return 0;

    char name[kInputSize];
    copy_text(name, part_name);
    const char delimiter = name[3];
    const int shift = delimiter == '@' ? 1 : 0;

    static char part_number[kHostFieldSize];
    static char rev_id[kRevisionSize];
    static char part_file_type[kHostFieldSize];
    static char part_file_name[kHostFieldSize];
    get_nth_field(name, 1 + shift, delimiter, part_number);
    get_nth_field(name, 2 + shift, delimiter, rev_id);
    get_nth_field(name, 3 + shift, delimiter, part_file_type);
    get_text_after_nth_delimiter(name, 4 + shift, delimiter, part_file_name);

    std::printf("\n part_number=#%s#", part_number);
    std::printf("\n rev_id=#%s#", rev_id);
    std::printf("\n part_file_type=#%s#", part_file_type);
    std::printf("\n part_file_name=#%s#", part_file_name);

    static char encoded[kHostFieldSize];
    encoded[0] = '\0';
    const int code = RQ_VRELMGR_encode_part_filename(part_number, rev_id, part_file_type,
                                                     part_file_name, encoded);
    check_rq_result(code, kLineEncode, kUtilsUnit);
    give_encoded_name(encoded, out, out_size);
    return 0;
}

// A bare number: the current revision rule chooses the revision. The lookups
// are not checked; an unknown number fails later, when the part is opened.
int encode_bare_number(const char* part_name, char* out, std::size_t out_size) {
    char part_number[kInputSize];
    copy_text(part_number, part_name);
    remove_blanks(part_number);

    tag_t item = NULL_TAG;
    tag_t revision = NULL_TAG;
    char rev_id[kRevisionSize] = "";
    RQ_VRELMGR_ask_part_tag(part_number, &item);
    RQ_VRELMGR_ask_configured_rev(item, &revision);
    RQ_VRELMGR_ask_part_revision_id(revision, rev_id);

    static char encoded[kHostFieldSize];
    encoded[0] = '\0';
    RQ_VRELMGR_encode_part_filename(part_number, rev_id, "", "", encoded);
    give_encoded_name(encoded, out, out_size);
    return 0;
}

}  // namespace

int build_vrelmgr_part_name(const char* part_name, char* out, std::size_t out_size) {
    if (part_name == nullptr || out == nullptr || out_size == 0) return 0;
    // A name that does not fit the working copy would be looked up cut short,
    // which may name another part: give no name, so that the open fails.
    if (std::strlen(part_name) >= kInputSize) {
        out[0] = '\0';
        return 0;
    }
    if (holds_database_marker(part_name)) {
        return encode_database_part_name(part_name, out, out_size);
    }
    return encode_bare_number(part_name, out, out_size);
}

int open_part(const char* part_file_name) {
    tag_t part = NULL_TAG;
    RQ_PART_load_status_t status{};
    const int code = RQ_PART_open(part_file_name, &part, &status);
    if (code != 0) check_rq_result(code, kLineOpen, kUtilsUnit);
    return code;
}
