// The export-import round trip of a generated sheet: a sheet of any size with
// polylines and texts anywhere (inside, across and outside its edges) is
// exported as CGM; the file must read back, every line within the sheet, and
// exactly the texts placed on the sheet, in order, where they were placed
// (a long text in pieces of 120 characters, one below the other).
#include <fuzzer/FuzzedDataProvider.h>
#include <rq/rq.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "drafting/cgm/cgm_reader.hpp"
#include "fuzz_support.hpp"

namespace {

using nlohmann::json;
using standin::cgm::Primitive;

struct PlacedText {
    std::string text;
    double x = 0, y = 0;
};

struct Sheet {
    double width = 0, height = 0;
    json drawing = json::array();
    std::vector<PlacedText> texts_on_sheet;
};

double coordinate(FuzzedDataProvider& input, double extent) {
    return input.ConsumeFloatingPointInRange(-0.5 * extent, 1.5 * extent);
}

// Texts of session characters; control characters would read back as blanks.
std::string label_text(FuzzedDataProvider& input) {
    std::string text = input.ConsumeRandomLengthString(300);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return text;
}

// A text is written in pieces of 120 characters, each 1.5 heights below the
// one before, as long as they lie on the sheet.
void add_pieces_on_sheet(Sheet& sheet, const PlacedText& text, double height) {
    constexpr std::size_t kPiece = 120;
    for (std::size_t start = 0, i = 0; start < text.text.size(); start += kPiece, ++i) {
        const double y = text.y - static_cast<double>(i) * height * 1.5;
        if (text.x < 0 || text.x > sheet.width || y < 0 || y > sheet.height) break;
        sheet.texts_on_sheet.push_back({text.text.substr(start, kPiece), text.x, y});
    }
}

Sheet generate_sheet(FuzzedDataProvider& input) {
    Sheet sheet;
    sheet.width = input.ConsumeFloatingPointInRange(1.0, 2000.0);
    sheet.height = input.ConsumeFloatingPointInRange(1.0, 2000.0);
    const int items = input.ConsumeIntegralInRange(0, 40);
    for (int i = 0; i < items && input.remaining_bytes() > 0; ++i) {
        const int colour = input.ConsumeIntegralInRange(0, 255);
        if (input.ConsumeBool()) {
            json points = json::array();
            const int count = input.ConsumeIntegralInRange(2, 12);
            for (int p = 0; p < count; ++p)
                points.push_back({coordinate(input, sheet.width), coordinate(input, sheet.height)});
            sheet.drawing.push_back({{"polyline", points}, {"color", colour}});
            continue;
        }
        PlacedText text{label_text(input), coordinate(input, sheet.width),
                        coordinate(input, sheet.height)};
        const double height =
            input.ConsumeBool() ? 0.0 : input.ConsumeFloatingPointInRange(0.1, 50.0);
        sheet.drawing.push_back(
            {{"text", text.text}, {"at", {text.x, text.y}}, {"height", height}, {"color", colour}});
        add_pieces_on_sheet(sheet, text, height > 0 ? height : 3.5);
    }
    return sheet;
}

tag_t open_sheet_part(const Sheet& sheet) {
    standin::PartBuilder builder("roundtrip");
    builder.add(RQ_drawing_type, 0,
                {{"name", "SHT1"},
                 {"sheet", {{"size", {sheet.width, sheet.height}}, {"drawing", sheet.drawing}}}});
    const std::string path = kvtx_fuzz::temp_path("sheet.prt");
    builder.write(path);
    tag_t part = NULL_TAG;
    const int code = standin::load_part_file(path, &part);
    FUZZ_CHECK(code == 0, "generated sheet does not load: %s", standin::last_load_error().c_str());
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const Sheet sheet = generate_sheet(input);
    kvtx_fuzz::reset_state();
    FUZZ_CHECK(RQ_initialize() == 0, "session did not open");
    standin::clear_faults();
    const tag_t part = open_sheet_part(sheet);
    tag_t sheet_tag = NULL_TAG;
    FUZZ_CHECK(
        RQ_OBJ_cycle_objs_in_part(part, RQ_drawing_type, &sheet_tag) == 0 && sheet_tag != NULL_TAG,
        "no sheet in the generated part");
    const std::string file = kvtx_fuzz::temp_path("sheet.cgm");
    const int code = RQ_PLOT_save_cgm(sheet_tag, nullptr, "roundtrip", nullptr, file.c_str());
    FUZZ_CHECK(code == 0, "export failed with %d", code);

    const std::string bytes = kvtx_fuzz::read_file(file);
    standin::cgm::Drawing drawing;
    std::string error;
    FUZZ_CHECK(standin::cgm::read_metafile(standin::cgm::Bytes(bytes.begin(), bytes.end()), drawing,
                                           error),
               "the export does not read back: %s", error.c_str());

    // One VDC unit is at most the longer side / 16384 (a power-of-two scale
    // into 16-bit coordinates); positions are rounded to it.
    const double tolerance = std::max(sheet.width, sheet.height) / 8192.0;
    std::vector<const Primitive*> texts;
    for (const Primitive& item : drawing.items) {
        if (item.kind == Primitive::Kind::text) {
            texts.push_back(&item);
            continue;
        }
        FUZZ_CHECK(item.kind == Primitive::Kind::line, "the export holds an arc");
        for (const auto& p : {item.start, item.end})
            FUZZ_CHECK(p.x >= -tolerance && p.x <= sheet.width + tolerance && p.y >= -tolerance &&
                           p.y <= sheet.height + tolerance,
                       "line end (%g, %g) off the %g x %g sheet", p.x, p.y, sheet.width,
                       sheet.height);
    }
    std::string read_texts;
    for (const Primitive* text : texts)
        read_texts += "\n  (" + std::to_string(text->origin.x) + ", " +
                      std::to_string(text->origin.y) + ") \"" + text->text + "\"";
    FUZZ_CHECK(texts.size() == sheet.texts_on_sheet.size(),
               "%zu texts read for %zu on the %g x %g sheet:%s", texts.size(),
               sheet.texts_on_sheet.size(), sheet.width, sheet.height, read_texts.c_str());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const PlacedText& placed = sheet.texts_on_sheet[i];
        FUZZ_CHECK(texts[i]->text == placed.text, "text %zu reads \"%s\", placed \"%s\"", i,
                   texts[i]->text.c_str(), placed.text.c_str());
        FUZZ_CHECK(std::fabs(texts[i]->origin.x - placed.x) <= tolerance &&
                       std::fabs(texts[i]->origin.y - placed.y) <= tolerance,
                   "text %zu at (%g, %g), placed at (%g, %g)", i, texts[i]->origin.x,
                   texts[i]->origin.y, placed.x, placed.y);
    }
    kvtx_fuzz::reset_state();
    return 0;
}
