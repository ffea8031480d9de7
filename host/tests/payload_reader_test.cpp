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

LoadContext context_with_ids() {
    LoadContext context;
    context.ids = {{4, 40}, {5, 50}};
    return context;
}

TEST(PayloadReaderTest, AbsentAndNullKeysGiveTheFallback) {
    const LoadContext context = context_with_ids();
    const ordered_json value = ordered_json::parse(R"({"n": null, "b": null, "r": null})");
    std::string error;
    PayloadReader r(value, context, error);
    EXPECT_EQ(r.integer("n", 7), 7);
    EXPECT_EQ(r.integer("missing", 8), 8);
    EXPECT_TRUE(r.boolean("b", true));
    EXPECT_EQ(r.ref("r"), NULL_TAG);
    EXPECT_EQ(r.text("t", "default"), "default");
    EXPECT_FALSE(r.optional_text("t").has_value());
    EXPECT_TRUE(r.refs("list").empty());
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(error, "");
}

TEST(PayloadReaderTest, SharedRulesOfValues) {
    const LoadContext context = context_with_ids();
    const ordered_json value = ordered_json::parse(
        R"({"one": 1, "zero": 0, "refs": [4, 0, 5], "degree": "\u00b0", "xyz": [1, "nan", 3]})");
    std::string error;
    PayloadReader r(value, context, error);
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
         "\"k\" is not true or false"},
        {R"({"k": 2147483648})", [](PayloadReader& r) { r.integer("k", 0); },
         "\"k\" is out of range"},
        {R"({"k": 18446744073709551615})", [](PayloadReader& r) { r.int64("k", 0); },
         "\"k\" is out of range"},
        {R"({"k": 1.5})", [](PayloadReader& r) { r.int64("k", 0); }, "\"k\" is not an integer"},
        {R"({"k": [4, 9]})", [](PayloadReader& r) { r.refs("k"); },
         "\"k\" refers to object id 9, which is not in the file"},
        {R"({"k": "\u20ac"})", [](PayloadReader& r) { r.text("k", ""); },
         "\"k\" holds the character U+20AC, which is beyond U+00FF (texts are ISO-8859-1)"},
        {R"({"k": [1, 2]})", [](PayloadReader& r) { r.numbers<3>("k", {}); },
         "\"k\" is not a list of 3 numbers"},
        {R"({})", [](PayloadReader& r) { r.require("k"); }, "\"k\" is missing"},
        {R"([1])", [](PayloadReader&) {}, "is not an object"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        const ordered_json value = ordered_json::parse(c.json);
        std::string error;
        PayloadReader r(value, context, error);
        c.read(r);
        r.require("other");  // a later problem does not replace the first
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(error, c.expected);
        EXPECT_EQ(r.integer("k", 3), 3);  // after a problem: fallbacks
    }
    std::string error;
    const ordered_json reference = ordered_json::parse(R"({"r": 4})");
    PayloadReader without_context(reference, nullptr, error);
    without_context.ref("r");
    EXPECT_EQ(error, "\"r\" is no reference here");
}

TEST(PayloadReaderTest, ListsAndObjectsNameTheEntry) {
    const LoadContext context = context_with_ids();
    const ordered_json value = ordered_json::parse(
        R"({"items": [{"n": 1}, {"n": 2}], "bad": [{"n": 1}, {"n": "x"}], "inner": {"n": 5}})");
    std::string error;
    PayloadReader r(value, context, error);
    const auto read_n = [](PayloadReader& item, int& n) { n = item.integer("n", 0); };
    EXPECT_EQ(r.list<int>("items", read_n), (std::vector<int>{1, 2}));
    int inner = 0;
    EXPECT_TRUE(r.object("inner", [&](PayloadReader& item) { inner = item.integer("n", 0); }));
    EXPECT_EQ(inner, 5);
    EXPECT_FALSE(r.object("absent", [](PayloadReader&) { FAIL(); }));
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.list<int>("bad", read_n).empty());
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(error, "\"bad\" entry 2: \"n\" is not an integer");
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
         "object id 3, body: \"shape\" is not none, block, cylinder or sphere"},
        {R"({"id": 3, "type": 63, "component": {"transform": [[1, 0, 0, 0]]}})",
         "object id 3, component: \"transform\" is not 4 rows"},
        {R"({"id": 3, "type": 213, "expression": {"value": 1}})",
         "object id 3, expression: \"name\" is missing or empty"},
        {R"({"id": 3, "type": 3, "line": {"start": [0, 0, 0]}})",
         "object id 3, line: \"end\" is missing"},
        {R"({"id": 3, "type": 25, "drafting": {"text_blocks": [{"font": true}]}})",
         "object id 3, drafting: \"text_blocks\" entry 1: \"font\" is not an integer"},
        {R"({"id": 3, "type": 60, "view": {"out_of_date": 2}})",
         "object id 3, view: \"out_of_date\" is not true or false"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.object);
        write_file(path("bad.prt"), std::string(R"({"objects": [)") + c.object + "]}");
        tag_t part = NULL_TAG;
        RQ_PART_load_status_t status{};
        EXPECT_EQ(RQ_PART_open(path("bad.prt").c_str(), &part, &status), RQ_err_file_corrupt);
        EXPECT_EQ(standin::last_load_error(), path("bad.prt") + ": " + c.reason);
        EXPECT_TRUE(standin::session().parts.empty());
    }
}

}  // namespace
