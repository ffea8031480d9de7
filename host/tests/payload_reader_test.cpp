// The one reader of part-file objects: defaults, the rules every payload
// shares, the first problem kept, nested lists and objects, and how a payload's
// problem is named in a refused part file.
#include <rq/rq.h>

#include <cmath>
#include <cstdint>

#include "host_fixture.hpp"
#include "parts/payload_reader.hpp"

namespace {

using standin::LoadContext;
using standin::ordered_json;
using standin::PayloadReader;
using standin::Refusal;

// A refusal as one text: "<place>: <reason>", or the reason alone.
std::string text_of(const Refusal& refusal) {
    return refusal.place.empty() ? refusal.reason : refusal.place + ": " + refusal.reason;
}

LoadContext context_with_ids() {
    LoadContext context;
    context.ids = {{4, 40}, {5, 50}};
    return context;
}

TEST(PayloadReaderTest, AbsentAndNullKeysGiveTheFallback) {
    const LoadContext context = context_with_ids();
    const ordered_json value = ordered_json::parse(R"({"n": null, "b": null, "r": null})");
    Refusal error;
    PayloadReader r(value, &context, error);
    EXPECT_EQ(r.integer("n", 7), 7);
    EXPECT_EQ(r.integer("missing", 8), 8);
    EXPECT_TRUE(r.boolean("b", true));
    EXPECT_EQ(r.ref("r"), NULL_TAG);
    EXPECT_EQ(r.text("t", "default"), "default");
    EXPECT_FALSE(r.optional_text("t").has_value());
    EXPECT_TRUE(r.refs("list").empty());
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(text_of(error), "");
}

TEST(PayloadReaderTest, SharedRulesOfValues) {
    const LoadContext context = context_with_ids();
    const ordered_json value = ordered_json::parse(
        R"({"one": 1, "zero": 0, "refs": [4, 0, 5], "degree": "\u00b0", "xyz": [1, "nan", 3]})");
    Refusal error;
    PayloadReader r(value, &context, error);
    EXPECT_TRUE(r.boolean("one", false));
    EXPECT_FALSE(r.boolean("zero", true));
    EXPECT_EQ(r.refs("refs"), (std::vector<tag_t>{40, 50}));  // 0 means none
    EXPECT_EQ(r.text("degree", ""), "\xB0");                  // session text
    EXPECT_EQ(r.file_name("degree"), "\xC2\xB0");             // file name: bytes as read
    const auto xyz = r.numbers<3>("xyz", {0, 0, 0});
    EXPECT_EQ(xyz[0], 1);
    EXPECT_TRUE(std::isnan(xyz[1]));
    EXPECT_TRUE(r.ok());
}

TEST(PayloadReaderTest, FirstMismatchIsKeptAndNamesItsKey) {
    const LoadContext context = context_with_ids();
    using Read = void (*)(PayloadReader&);
    struct Case {
        const char* json;
        Read read;
        const char* expected;
    };
    const Case cases[] = {
        {R"({"k": 2})", [](PayloadReader& r) { r.boolean("k", false); },
         "k: expected true or false"},
        {R"({"k": 2147483648})", [](PayloadReader& r) { r.integer("k", 0); }, "k: out of range"},
        {R"({"k": 18446744073709551615})", [](PayloadReader& r) { r.int64("k", 0); },
         "k: out of range"},
        {R"({"k": 1.5})", [](PayloadReader& r) { r.int64("k", 0); }, "k: expected a whole number"},
        {R"({"k": [4, 9]})", [](PayloadReader& r) { r.refs("k"); },
         "k[1]: object id 9 is not in the file"},
        {R"({"k": "\u20ac"})", [](PayloadReader& r) { r.text("k", ""); },
         "k: holds the character U+20AC, which is beyond U+00FF (texts are ISO-8859-1)"},
        {R"({"k": ["a", 2]})", [](PayloadReader& r) { r.texts("k"); }, "k[1]: expected a text"},
        {R"({"k": [1, 2]})", [](PayloadReader& r) { r.numbers<3>("k", {}); },
         "k: expected a list of 3 numbers"},
        {R"({})", [](PayloadReader& r) { r.require("k"); }, "k: missing"},
        {R"([1])", [](PayloadReader&) {}, "expected an object"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        const ordered_json value = ordered_json::parse(c.json);
        Refusal error;
        PayloadReader r(value, &context, error);
        c.read(r);
        r.require("other");  // a later problem does not replace the first
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(text_of(error), c.expected);
        EXPECT_EQ(r.integer("k", 3), 3);  // after a problem: fallbacks
    }
    Refusal error;
    const ordered_json reference = ordered_json::parse(R"({"r": 4})");
    PayloadReader without_context(reference, nullptr, error);
    without_context.ref("r");
    EXPECT_EQ(text_of(error), "r: no reference allowed here");
}

TEST(PayloadReaderTest, ListsAndObjectsNameTheEntry) {
    const LoadContext context = context_with_ids();
    const ordered_json value = ordered_json::parse(
        R"({"items": [{"n": 1}, {"n": 2}], "bad": [{"n": 1}, {"n": "x"}], "inner": {"n": 5},)"
        R"( "typo": [{"n": 1, "m": 2}]})");
    Refusal error;
    PayloadReader r(value, &context, error);
    constexpr std::string_view n_keys[] = {"n"};
    const auto read_n = [](PayloadReader& item, int& n) { n = item.integer("n", 0); };
    EXPECT_EQ(r.list<int>("items", n_keys, read_n), (std::vector<int>{1, 2}));
    int inner = 0;
    EXPECT_TRUE(
        r.object("inner", n_keys, [&](PayloadReader& item) { inner = item.integer("n", 0); }));
    EXPECT_EQ(inner, 5);
    EXPECT_FALSE(r.object("absent", n_keys, [](PayloadReader&) { FAIL(); }));
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.list<int>("bad", n_keys, read_n).empty());
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(text_of(error), "bad[1].n: expected a whole number");

    Refusal typo;
    PayloadReader t(value, &context, typo);
    EXPECT_TRUE(t.list<int>("typo", n_keys, read_n).empty());
    EXPECT_EQ(text_of(typo), "typo[0].m: unknown key");
}

class PayloadReaderFileTest : public HostTest {};

// Model payloads are codecs like any other: their problems name the object
// and the payload, and the file loads nothing.
TEST_F(PayloadReaderFileTest, RefusedPayloadNamesObjectAndKey) {
    struct Case {
        const char* object;
        const char* reason;
    };
    const Case cases[] = {
        {R"({"id": 3, "type": 70, "body": {"shape": "cone"}})",
         "objects[0].body.shape: expected none, block, cylinder or sphere"},
        {R"({"id": 3, "type": 63, "component": {"transform": [[1, 0, 0, 0]]}})",
         "objects[0].component.transform: expected 4 rows of 4 numbers"},
        {R"({"id": 3, "type": 213, "expression": {"value": 1}})",
         "objects[0].expression.name: missing or empty"},
        {R"({"id": 3, "type": 3, "line": {"start": [0, 0, 0]}})", "objects[0].line.end: missing"},
        {R"({"id": 3, "type": 25, "drafting": {"text_blocks": [{"font": true}]}})",
         "objects[0].drafting.text_blocks[0].font: expected a whole number"},
        {R"({"id": 3, "type": 60, "view": {"out_of_date": 2}})",
         "objects[0].view.out_of_date: expected true or false"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.object);
        write_file(path("bad.prt"), std::string(R"({"objects": [)") + c.object + "]}");
        tag_t part = NULL_TAG;
        RQ_PART_load_status_t status{};
        EXPECT_EQ(RQ_PART_open(path("bad.prt").c_str(), &part, &status), RQ_err_file_corrupt);
        EXPECT_EQ(standin::last_load_error(),
                  "refused part file \"" + path("bad.prt") + "\" at " + c.reason);
        EXPECT_TRUE(standin::session().parts.empty());
    }
}

}  // namespace
