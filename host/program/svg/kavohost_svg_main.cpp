// kavohost-svg: pictures of a part that a browser opens. Opens the part in a
// session of the stand-in and writes an SVG file of its work view (by
// layer, with a legend; an overlay of two CGM imports with what changed
// drawn strong), of one drawing sheet, or of every sheet.
// See docs/standin-host.md.
#include <rq/rq.h>
#include <standin/picture.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kUsageError = 2;

void print_usage() {
    std::fputs(
        "usage: kavohost-svg <part> <out.svg> [--layers 1,2] [--overlay] [--offset DX,DY]\n"
        "                    [--legend LAYER=TEXT]...\n"
        "       kavohost-svg <part> <out.svg> --sheet NAME\n"
        "       kavohost-svg <part> --sheets <folder>\n"
        "Writes the part's work view (every layer, or the layers listed), one drawing\n"
        "sheet, or every sheet as <folder>/<part>_<sheet>.svg. --overlay draws the objects\n"
        "of the second layer (of --layers, else 2) that have a twin on the first (else 1)\n"
        "moved by the offset (default 0.05,0.025) faint and the others strong; --legend\n"
        "says what a layer holds. Exit code 0 when written, 1 when not, 2 for bad usage.\n",
        stderr);
}

bool parse_numbers(const char* text, std::vector<double>& out) {
    const char* p = text;
    while (*p != '\0') {
        char* end = nullptr;
        const double value = std::strtod(p, &end);
        if (end == p || !std::isfinite(value)) return false;
        out.push_back(value);
        if (*end == '\0') return true;
        if (*end != ',') return false;
        p = end + 1;
    }
    return false;
}

bool parse_layers(const char* text, std::vector<int>& layers) {
    std::vector<double> numbers;
    if (!parse_numbers(text, numbers)) return false;
    for (double n : numbers) {
        if (n != std::floor(n) || n < 0 || n > 256) return false;
        layers.push_back(static_cast<int>(n));
    }
    return true;
}

bool parse_legend(const char* text, std::map<int, std::string>& legend) {
    const char* equals = std::strchr(text, '=');
    std::vector<int> layer;
    if (equals == nullptr || !parse_layers(std::string(text, equals).c_str(), layer) ||
        layer.size() != 1)
        return false;
    legend[layer[0]] = equals + 1;
    return true;
}

struct Arguments {
    std::string part;
    std::string out;
    std::string sheets_folder;
    standin::PictureOptions options;
};

bool parse(int argc, char** argv, Arguments& a) {
    std::vector<std::string> plain;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--overlay") {
            a.options.overlay = true;
        } else if (arg == "--layers" && has_value) {
            if (!parse_layers(argv[++i], a.options.layers) || a.options.layers.empty())
                return false;
        } else if (arg == "--offset" && has_value) {
            std::vector<double> offset;
            if (!parse_numbers(argv[++i], offset) || offset.size() != 2) return false;
            a.options.offset = {offset[0], offset[1]};
        } else if (arg == "--legend" && has_value) {
            if (!parse_legend(argv[++i], a.options.legend)) return false;
        } else if (arg == "--sheet" && has_value) {
            a.options.sheet = argv[++i];
        } else if (arg == "--sheets" && has_value) {
            a.sheets_folder = argv[++i];
        } else if (arg.starts_with("--")) {
            return false;
        } else {
            plain.push_back(arg);
        }
    }
    if (a.options.layers.size() >= 2)
        a.options.overlay_layers = {a.options.layers[0], a.options.layers[1]};
    if (plain.empty() || plain.size() != (a.sheets_folder.empty() ? 2u : 1u)) return false;
    a.part = plain[0];
    if (plain.size() == 2) a.out = plain[1];
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments a;
    if (!parse(argc, argv, a)) {
        print_usage();
        return kUsageError;
    }
    if (const int code = RQ_initialize(); code != 0) {
        std::fprintf(stderr, "kavohost-svg: the session does not start (code %d)\n", code);
        return 1;
    }
    tag_t part = NULL_TAG;
    RQ_PART_load_status_t status{};
    if (const int code = RQ_PART_open(a.part.c_str(), &part, &status); code != 0) {
        char message[133] = {};
        RQ_get_fail_message(code, message);
        std::fprintf(stderr, "kavohost-svg: cannot open %s: %s\n", a.part.c_str(), message);
        return 1;
    }
    std::string error;
    bool ok = false;
    if (!a.sheets_folder.empty()) {
        std::vector<std::string> written;
        const std::string stem = std::filesystem::path(a.part).stem().string();
        ok = standin::write_sheet_pictures(part, a.sheets_folder, stem, written, error);
        for (const std::string& file : written) std::printf("%s\n", file.c_str());
    } else {
        ok = standin::write_part_picture(part, a.options, a.out, error);
    }
    RQ_PART_close_all();
    RQ_terminate();
    if (!ok) std::fprintf(stderr, "kavohost-svg: %s\n", error.c_str());
    return ok ? 0 : 1;
}
