// LORN, the product-data-management system of the stand-in host: the
// database, the login, revision rules and the encoded part file names.
#pragma once

#include "parts/store.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace standin {

// Longest field texts an encoded name can carry, and the longest encoded name.
inline constexpr std::size_t kPdmNumberMax = 255;
inline constexpr std::size_t kPdmRevisionMax = 96;
inline constexpr std::size_t kPdmFileTypeMax = 126;
inline constexpr std::size_t kPdmFileNameMax = 255;
inline constexpr std::size_t kPdmEncodedMax = 515;

// "@DB/<number>/<revision>/<file type>/<file name>", each field with '%' and
// '/' written as "%25" and "%2F". nullopt when a field or the whole name is
// longer than the limits above.
std::optional<std::string> encode_pdm_name(const PdmKey& key);
// The four fields of an encoded name, uncut; nullopt when `encoded` is no
// encoded name.
std::optional<PdmKey> decode_pdm_name(std::string_view encoded);

// What RQ_PART_open opens for a name.
struct PdmResolution {
    int code = 0;      // non-zero: the database holds no such dataset (or cannot be read)
    std::string path;  // the dataset's part file
    PdmKey key;
};
// nullopt when `name` is no encoded name or no LORN session is active: the
// name is then a native file spec.
std::optional<PdmResolution> resolve_pdm_name(const std::string& name);

// The user of the LORN login, empty without one.
std::string pdm_user();
// The reason of the last failed database load or login, for messages.
std::string pdm_last_error();
// Forgets the loaded database and the login.
void reset_pdm();

}  // namespace standin
