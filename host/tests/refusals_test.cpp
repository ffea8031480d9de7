// Files the host refuses: one syslog line each, naming the file, the place in
// it and the reason; unknown keys inside a known sub-object are refused,
// those of the top level and of an object entry are kept.
#include <rq/rq.h>

#include "host_fixture.hpp"
#include "parts/store.hpp"

namespace {

class RefusalTest : public HostTest {
  protected:
    // The syslog lines the host wrote since the last call.
    std::vector<std::string> new_lines() {
        const auto& all = standin::syslog_entries();
        std::vector<std::string> lines(all.begin() + static_cast<std::ptrdiff_t>(seen_), all.end());
        seen_ = all.size();
        return lines;
    }
    std::size_t seen_ = 0;
};

// A part file with one object entry.
std::string with_object(const std::string& entry) {
    return R"({"objects": [{"id": 1, "type": 2}, )" + entry + "]}";
}

TEST_F(RefusalTest, PartFileRefusalNamesPlaceAndReason) {
    struct Case {
        std::string text;
        const char* line;  // after `refused part file "<file>"`
        int code = RQ_err_file_corrupt;
    };
    const std::string deep = R"({"x": )" + std::string(100, '[') + std::string(100, ']') + "}";
    const Case cases[] = {
        {with_object(R"({"id": 2, "type": 70, "body": {"shpae": "block"}})"),
         " at objects[1].body.shpae: unknown key"},
        {with_object(R"({"id": 2, "type": 70, "body": {"density": "heavy"}})"),
         " at objects[1].body.density: expected a number"},
        {with_object(R"({"id": 2, "type": 70, "body": {"size": [1, "x", 3]}})"),
         " at objects[1].body.size[1]: expected a number"},
        {with_object(R"({"id": 2, "type": 70, "body": {"features": [1, 9]}})"),
         " at objects[1].body.features[1]: object id 9 is not in the file"},
        {with_object(
             R"({"id": 2, "type": 63, "component": {"transform": [[1,0,0,0],[0,1,0,0],[0,0,1]]}})"),
         " at objects[1].component.transform: expected 4 rows of 4 numbers"},
        {with_object(
             R"({"id": 2, "type": 63, "component": {"transform": [[1,0,0,0],[0,1,0,0],[0,0,1],[0,0,0,1]]}})"),
         " at objects[1].component.transform[2]: expected a list of 4 numbers"},
        {with_object(R"({"id": 2, "type": 62, "sheet": {"veiws": []}})"),
         " at objects[1].sheet.veiws: unknown key"},
        {with_object(
             R"({"id": 2, "type": 62, "sheet": {"drawing": [{"text": "A"}, {"polyline": [[0, 0], [1, 1]], "colour": 2}]}})"),
         " at objects[1].sheet.drawing[1].colour: unknown key"},
        {with_object(R"({"id": 2, "type": 60, "view": {"scale": 1, "sacle": 2}})"),
         " at objects[1].view.sacle: unknown key"},
        {with_object(R"({"id": 2, "type": 10, "pattern": {"file": "p"}})"),
         " at objects[1].pattern.file: unknown key"},
        {with_object(R"({"id": 2, "type": 26, "dimension": {"retained": 2}})"),
         " at objects[1].dimension.retained: expected true or false"},
        {with_object(R"({"id": 2, "type": 26, "dimension": {"befor": ["x"]}})"),
         " at objects[1].dimension.befor: unknown key"},
        {with_object(
             R"({"id": 2, "type": 25, "drafting": {"text_blocks": [{"lines": []}, {"fnot": 1}]}})"),
         " at objects[1].drafting.text_blocks[1].fnot: unknown key"},
        {with_object(R"({"id": 2, "type": 26, "drafting": {"sketch": {"valeu": 1}}})"),
         " at objects[1].drafting.sketch.valeu: unknown key"},
        {with_object(R"({"id": 2, "type": 205, "feature": {"a b\n": 1}})"),
         " at objects[1].feature[\"a b\\n\"]: unknown key"},
        {with_object(R"({"id": 2, "type": 3, "line": {"start": [0, 0, 0]}})"),
         " at objects[1].line.end: missing"},
        {with_object(R"({"id": 1, "type": 2})"), " at objects[1].id: object id 1 repeats"},
        {with_object(R"({"id": 2, "type": 2, "name": "1234567890123456789012345678901"})"),
         " at objects[1].name: longer than 30 characters"},
        {with_object(R"({"id": 2, "type": 2, "attributes": [{"title": "T", "kind": "colour"}]})"),
         " at objects[1].attributes[0].kind: expected integer, real, time, string, boolean or "
         "null"},
        {R"({"attributes": [{"title": "T", "valeu": 1}]})", " at attributes[0].valeu: unknown key"},
        {R"({"history": [{"version": 1, "usr": "kim"}]})", " at history[0].usr: unknown key"},
        {R"({"pdm": {"number": "4711", "rev": "A"}})", " at pdm.rev: unknown key"},
        {R"({"faults": [{"call": "RQ_x", "code": 1, "tmies": 1}]})",
         " at faults[0].tmies: unknown key"},
        {R"({"faults": [{"call": "RQ_x", "code": 1, "object": 5}]})",
         " at faults[0].object: object id 5 is not in the file"},
        {R"({"format": "other"})", " at format: not a part file (expected \"kavo-part\")"},
        {R"({"next_object_id": 0})", " at next_object_id: expected 1 to 9007199254740991"},
        {"[1, 2]", ": expected an object"},
        {"{\"objects\": [\n  {\"id\": 1,, \"type\": 2}]}",
         " at byte 26 (line 2, column 12): JSON parse error: syntax error while parsing object key"
         " - unexpected ','; expected string literal"},
        {"",
         " at byte 1 (line 1, column 1): JSON parse error: syntax error while parsing value -"
         " unexpected end of input; expected '[', '{', or a literal"},
        {"{\"x\": 1}\n{",
         " at byte 10 (line 2, column 1): JSON parse error: syntax error while"
         " parsing value - unexpected '{'; expected end of input"},
        {R"({"x": [)" + deep + "]}",
         " at byte 111 (line 1, column 111): nesting deeper than 100 levels"},
    };
    const std::string file = path("bad.prt");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        write_file(file, c.text);
        tag_t part = NULL_TAG;
        EXPECT_EQ(standin::load_part_file(file, &part), c.code);
        const std::string text = "refused part file \"" + file + "\"" + c.line;
        EXPECT_EQ(new_lines(), std::vector<std::string>{"kavohost: " + text + "\n"});
        EXPECT_EQ(standin::last_load_error(), text);
        EXPECT_TRUE(standin::session().parts.empty());
    }

    // Not read at all: 642, the file as a whole.
    for (const std::string& name : {folder_.string(), std::string("/dev/zero")}) {
        tag_t part = NULL_TAG;
        EXPECT_EQ(standin::load_part_file(name, &part), RQ_err_file_unreadable);
        EXPECT_EQ(new_lines(), std::vector<std::string>{
                                   "kavohost: refused part file \"" + name + "\": " +
                                   (name[0] == '/' && name[1] == 'd' ? "not a regular file\n"
                                                                     : "a folder, not a file\n")});
    }
    // A missing file is not refused: its code says all.
    tag_t part = NULL_TAG;
    EXPECT_EQ(standin::load_part_file(path("none.prt"), &part), RQ_err_file_not_found);
    EXPECT_TRUE(new_lines().empty());
}

TEST_F(RefusalTest, UnknownKeysOfTheTopLevelAndOfObjectEntriesAreKept) {
    write_file(path("later.prt"),
               R"({"later": {"x": 1}, "objects": [{"id": 1, "type": 70, "later": [1],)"
               R"( "body": {"shape": "block"}}]})");
    tag_t part = NULL_TAG;
    ASSERT_EQ(standin::load_part_file(path("later.prt"), &part), 0) << standin::last_load_error();
    EXPECT_TRUE(new_lines().empty());
}

TEST_F(RefusalTest, LornDatabaseRefusalIsReportedOnce) {
    const std::string file = path("lorn.json");
    ::setenv("KAVOHOST_LORN_DB", file.c_str(), 1);
    char arg0[] = "kavo";
    char* argv[] = {arg0};
    struct Case {
        const char* text;
        const char* line;
    };
    const Case cases[] = {
        {R"({"items": [{"number": "1"}, {"revisions": []}]})", " at items[1].number: missing"},
        {R"({"items": [{"number": "1", "revisions": [{"id": "A", "datasets": [{"file": 7}]}]}]})",
         " at items[0].revisions[0].datasets[0].file: expected a text"},
        {R"({"users": [{"name": "k", "group": "\u20ac"}]})",
         " at users[0].group: holds the character U+20AC, which is beyond U+00FF (texts are "
         "ISO-8859-1)"},
        {R"({"rules": [{"name": "R", "policy": "newest"}]})",
         " at rules[0].policy: expected latest or latest_with_status"},
        {R"({"default_rule": "Nope"})", " at default_rule: names no rule (Nope)"},
        {"{\"users\": [",
         " at byte 12 (line 1, column 12): JSON parse error: syntax error while"
         " parsing value - unexpected end of input; expected '[', '{', or a literal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        standin::reset_session();
        seen_ = 0;
        write_file(file, c.text);
        EXPECT_EQ(RQ_VRELMGR_initialize(1, argv), RQ_err_file_corrupt);
        EXPECT_EQ(RQ_VRELMGR_initialize(1, argv), RQ_err_file_corrupt);  // no second line
        EXPECT_EQ(new_lines(), std::vector<std::string>{"kavohost: refused LORN database \"" +
                                                        file + "\"" + c.line + "\n"});
    }
    ::unsetenv("KAVOHOST_LORN_DB");
}

TEST_F(RefusalTest, FaultTableRefusalLeavesEntriesOrTheFileOut) {
    const std::string file = path("faults.json");
    struct Case {
        const char* text;
        std::vector<std::string> lines;  // after `refused fault table "<file>"`
    };
    const Case cases[] = {
        {R"([{"call": "RQ_x", "code": 1, "tmies": 1}, {"call": "RQ_y"}, {"call": "RQ_z", "code": 2}])",
         {" at [0].tmies: unknown key", " at [1].code: expected a whole number"}},
        {R"([{"call": "RQ_x", "code": 1, "object": 3}])", {" at [0].object: unknown key"}},
        {R"({"call": "RQ_x"})", {": expected a list of fault entries"}},
        {"[{]",
         {" at byte 3 (line 1, column 3): JSON parse error: syntax error while parsing "
          "object key - unexpected ']'; expected string literal"}},
    };
    ::setenv("KAVOHOST_FAULTS", file.c_str(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        standin::reset_session();
        seen_ = 0;
        write_file(file, c.text);
        RQ_is_initialized();  // the first call reads the table
        std::vector<std::string> expected;
        for (const std::string& line : c.lines)
            expected.push_back("kavohost: refused fault table \"" + file + "\"" + line + "\n");
        EXPECT_EQ(new_lines(), expected);
    }
    ::unsetenv("KAVOHOST_FAULTS");
    standin::reset_session();
}

}  // namespace
