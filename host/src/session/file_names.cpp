// Text functions on file specifications (folders are separated by '/').
#include "parts/store.hpp"
#include "session/faults.hpp"
#include "session/text_out.hpp"

#include <string>
#include <string_view>

namespace standin {
namespace {

constexpr std::size_t kLeafSize = 516;
constexpr std::size_t kJoinedSize = 516;
constexpr std::size_t kFolderSize = 1024;

std::string_view leaf_of(std::string_view spec) {
    const auto slash = spec.find_last_of('/');
    return slash == std::string_view::npos ? spec : spec.substr(slash + 1);
}

std::string_view folder_of(std::string_view spec) {
    const auto slash = spec.find_last_of('/');
    if (slash == std::string_view::npos) return {};
    return slash == 0 ? spec.substr(0, 1) : spec.substr(0, slash);
}

// The leaf without its extension; a leading dot ("".profile") is no extension.
std::string_view stem_of(std::string_view leaf) {
    const auto dot = leaf.find_last_of('.');
    return dot == std::string_view::npos || dot == 0 ? leaf : leaf.substr(0, dot);
}

}  // namespace
}  // namespace standin

using namespace standin;

extern "C" {

// Mode 2: the leaf without folder and extension; mode 1: the leaf with its
// extension. A longer leaf than 515 characters is cut and the call fails.
RQ_API int uc4574(const char* file_spec, int mode, char leaf[516]) {
    if (leaf == nullptr) return RQ_err_bad_argument;
    leaf[0] = '\0';
    if (file_spec == nullptr || (mode != 1 && mode != 2)) return RQ_err_bad_argument;
    if (int code = fault_code("uc4574")) return code;
    std::string_view name = leaf_of(file_spec);
    if (mode == 2) name = stem_of(name);
    return write_text(leaf, kLeafSize, name) ? 0 : RQ_err_bad_argument;
}

// Mode 0: folder + "/" + file name, with exactly one '/' between them. An
// empty folder gives the file name, an empty file name the folder. A result
// longer than 515 characters is refused (empty output): a cut path would name
// another file.
RQ_API int uc4575(const char* folder, int mode, const char* file_name, char joined[516]) {
    if (joined == nullptr) return RQ_err_bad_argument;
    joined[0] = '\0';
    if (folder == nullptr || file_name == nullptr || mode != 0) return RQ_err_bad_argument;
    if (int code = fault_code("uc4575")) return code;
    std::string_view dir(folder);
    std::string_view file(file_name);
    std::string result;
    if (dir.empty() || file.empty()) {
        result = std::string(dir.empty() ? file : dir);
    } else {
        while (dir.size() > 1 && dir.back() == '/') dir.remove_suffix(1);
        while (!file.empty() && file.front() == '/') file.remove_prefix(1);
        result = std::string(dir);
        if (result.back() != '/') result += '/';
        result += file;
    }
    if (result.size() >= kJoinedSize) return RQ_err_bad_argument;
    write_text(joined, kJoinedSize, result);
    return 0;
}

// Splits a file specification. Mode 0 gives the leaf (with extension) in
// `name` and leaves `folder` as the caller had it, so reports stay in the
// configured output folder. Mode 1 also writes the spec's folder into
// `folder` (a folder longer than 1023 characters is refused, `folder` kept).
RQ_API int uc4576(const char* file_spec, int mode, char folder[1024], char name[516]) {
    if (file_spec == nullptr || (mode != 0 && mode != 1)) return RQ_err_bad_argument;
    if (int code = fault_code("uc4576")) return code;
    int result = 0;
    if (name != nullptr && !write_text(name, kLeafSize, leaf_of(file_spec)))
        result = RQ_err_bad_argument;
    if (mode == 1) {
        const std::string_view dir = folder_of(file_spec);
        if (folder == nullptr || dir.size() >= kFolderSize) return RQ_err_bad_argument;
        write_text(folder, kFolderSize, dir);
    }
    return result;
}

}  // extern "C"
