// The entity section and the displayed texts: the whole section of the
// annotations sample against its golden file, the type selection, the text
// line limit, the renaming, and the syslog lines of skipped associativity
// and failing appended texts.
#include "utils/entity_section.hpp"

#include <rq/rq.h>
#include <standin/testing.hpp>

#include "common/text_buffer.hpp"
#include "support/golden_support.hpp"
#include "support/test_support.hpp"
#include "utils/displayed_texts.hpp"

#include <algorithm>
#include <regex>
#include <string>

namespace {

using nlohmann::json;
using standin::PartBuilder;

class EntitySectionTest : public kvtx_test::ReportTest {
  protected:
    EntitySectionTest() : ReportTest("entity_section") {}
    void SetUp() override {
        ReportTest::SetUp();
        copy_text(log_file_in_use, (folder_ + "/run.log").c_str());
    }
    std::string section(const char* option) {
        copy_text(detail_option, option);
        std::remove(report_.c_str());
        EXPECT_EQ(write_entities(), 0);
        return report();
    }
    static int syslog_count(const std::string& text) {
        const auto& entries = standin::syslog_entries();
        return static_cast<int>(
            std::count_if(entries.begin(), entries.end(),
                          [&](const std::string& e) { return e.find(text) != std::string::npos; }));
    }
    static tag_t tag_of(const PartBuilder& b, std::int64_t id) {
        return RQ_TAG_ask_tag_of_handle(b.handle(id).c_str());
    }
};

TEST_F(EntitySectionTest, AnnotationsSampleGivesTheGoldenSection) {
    kvtx_test::open_sample_part("annotations.prt");
    kvtx_test::expect_matches_golden(section("25,26"), "entity_section_annotations.xml");

    // Subtype 5 skips the associativity query; the failing query is the
    // part's first error; the thrown appended text is reported once.
    EXPECT_EQ(syslog_count("3124 kavotalvex_utils Jump Over 25/5\n"), 1);
    EXPECT_EQ(first_error_code, 11);
    EXPECT_NE(std::string(first_error_message).find("[3134]"), std::string::npos);
    EXPECT_EQ(syslog_count(
                  "\nException Cannot read the above text of the dimension 4253 kavotalvex_utils"),
              1);
    for (const char* which : {"before", "after", "below"})
        EXPECT_EQ(syslog_count(std::string("\nException Cannot read the ") + which +
                               " text of the dimension 4253 kavotalvex_utils"),
                  1);
    // The note whose GetText throws and the one whose second line fails to
    // evaluate (another kind of exception) leave no trace.
    EXPECT_EQ(syslog_count("Exception"), 4);
}

// 8.5 and the legacy plug-in write DisplayedTexts empty; 9 to 11 take the
// annotation manager from the part, which gives the same texts.
TEST_F(EntitySectionTest, DisplayedTextsOfEachReleaseLine) {
    // The sample's faults count their calls: each release gets it afresh.
    auto section_of = [&](HostRelease release) {
        standin::reset_session();
        RQ_initialize();
        kvtx_test::open_sample_part("annotations.prt");
        select_host_release(release);
        return section("25,26");
    };
    for (HostRelease release : {HostRelease::R9, HostRelease::R10, HostRelease::R11})
        kvtx_test::expect_matches_golden(section_of(release), "entity_section_annotations.xml");
    const std::string newest = section_of(HostRelease::CR2212);
    const std::string empty_texts = std::regex_replace(
        newest, std::regex(R"((<DisplayedTexts>\n)(?:.*\n)*?( *</DisplayedTexts>))"), "$1$2");
    EXPECT_NE(empty_texts, newest);
    EXPECT_EQ(section_of(HostRelease::R8_5), empty_texts);
    EXPECT_EQ(section_of(HostRelease::R7_5), empty_texts);
    EXPECT_EQ(syslog_count("Exception"), 0);  // no displayed text was read
}

// Hosts 9, 8.5 and the legacy plug-in jump over no drafting object: every one
// that reaches the associativity is asked.
TEST_F(EntitySectionTest, JumpOverOnlyWhereTheReleaseHasIt) {
    PartBuilder b("jump");
    const auto point = b.add(RQ_point_type, 0);
    b.add(RQ_drafting_entity_type, 5,
          {{"drafting", {{"associativity", {{{"first", point}, {"second", 0}}}}}}});
    ASSERT_NE(b.open(folder_ + "/jump.prt"), NULL_TAG);
    struct Case {
        HostRelease release;
        int jump_over_lines;
        const char* count;
    };
    for (const Case& c : {Case{HostRelease::CR2212, 1, "0"}, Case{HostRelease::R10, 1, "0"},
                          Case{HostRelease::R9, 0, "1"}, Case{HostRelease::R8_5, 0, "1"},
                          Case{HostRelease::R4, 0, "1"}}) {
        select_host_release(c.release);
        standin::clear_records();
        const std::string text = section("25");
        EXPECT_EQ(syslog_count("3124 kavotalvex_utils Jump Over 25/5\n"), c.jump_over_lines);
        EXPECT_NE(text.find(std::string("<AssociativesNum>") + c.count + "</AssociativesNum>"),
                  std::string::npos);
        EXPECT_EQ(text.find("<AssocEnt1>jump:1</AssocEnt1>") != std::string::npos,
                  c.count[0] == '1');
    }
}

TEST_F(EntitySectionTest, ListedObjectsAreRenamedToTheirTags) {
    kvtx_test::open_sample_part("annotations.prt");
    section("26, 70");
    const tag_t part = RQ_ASSEM_ask_work_part();
    int listed = 0;
    for (tag_t t = RQ_OBJ_cycle_all(part, NULL_TAG); t != NULL_TAG; t = RQ_OBJ_cycle_all(part, t)) {
        int type = 0, subtype = 0;
        RQ_OBJ_ask_type_and_subtype(t, &type, &subtype);
        char name[256] = "";
        RQ_OBJ_ask_name(t, name);
        if (type == RQ_dimension_type || type == RQ_solid_type) {
            ++listed;
            EXPECT_EQ(std::string(name), std::to_string(t));
        } else if (type == RQ_drafting_entity_type && subtype == 1) {
            EXPECT_NE(std::string(name), std::to_string(t));  // not listed, not renamed
        }
    }
    EXPECT_EQ(listed, 13);
    EXPECT_EQ(ask_timer_count(11), 0);  // slots are named by the check run, not here
}

TEST_F(EntitySectionTest, DetailOptionFieldsSelectTypes) {
    PartBuilder b("select");
    b.add(RQ_solid_type, 0, {{"name", "BODY"}});
    b.add(RQ_point_type, 0);
    ASSERT_NE(b.open(folder_ + "/select.prt"), NULL_TAG);
    const std::string empty = "        <Entities>\n       </Entities>\n";
    for (const char* option : {"All", "0", "1000", "-70", "", ",,", "99999999999999999999"})
        EXPECT_EQ(section(option), empty) << "option " << option;

    auto count_entities = [](const std::string& text) {
        std::size_t n = 0;
        for (std::size_t p = text.find("<Entity "); p != std::string::npos;
             p = text.find("<Entity ", p + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count_entities(section("70abc")), 1u);   // digits followed by letters
    EXPECT_EQ(count_entities(section(" 2,,70")), 2u);  // leading blank; empty field between
    const std::string body = section("70");
    EXPECT_EQ(body,
              "        <Entities>\n"
              "         <Entity xsi:type=\"Entity_Type70_SubType0\">\n"
              "          <Handle>select:1</Handle>\n"
              "          <Name>" +
                  std::to_string(tag_of(b, 1)) +
                  "</Name>\n"
                  "          <Type>70</Type>\n"
                  "          <Subtype>0</Subtype>\n"
                  "          <Status>3</Status>\n"
                  "            <Displayable>1</Displayable>\n"
                  "            <Tansferable>1</Tansferable>\n"
                  "            <ViewDependent></ViewDependent>\n"
                  "         </Entity>\n"
                  "       </Entities>\n");
}

TEST_F(EntitySectionTest, TextLinesLongerThan511AreLeftOut) {
    PartBuilder b("lines");
    const std::string line511(511, 'a');
    const std::string line512(512, 'b');
    json blocks = json::array({json{{"type", 1}, {"lines", {line511, line512, "x<y"}}},
                               json{{"type", 2}, {"lines", json::array()}}});
    b.add(RQ_drafting_entity_type, 3, {{"drafting", json{{"text_blocks", blocks}}}});
    b.add(RQ_drafting_entity_type, 3, {{"name", "NO_BLOCKS"}});
    ASSERT_NE(b.open(folder_ + "/lines.prt"), NULL_TAG);
    const std::string text = section("25");
    EXPECT_NE(text.find("<Text>" + line511 + "</Text>"), std::string::npos);
    EXPECT_EQ(text.find(line512), std::string::npos);
    EXPECT_NE(text.find("<Text>x&lt;y</Text>"), std::string::npos);
    EXPECT_NE(text.find("<TextNumLines>3</TextNumLines>"), std::string::npos);
    // Blocks without lines still give DisplayedTexts; no blocks give none.
    EXPECT_EQ(text.find("<TextBlocksN>2</TextBlocksN>"), text.find("<TextBlocksN>"));
    EXPECT_NE(text.find("               <Texts>\n               </Texts>\n"), std::string::npos);
    EXPECT_NE(text.find("             <TextBlocksN>0</TextBlocksN>\n         </Entity>"),
              std::string::npos);
    std::size_t displayed = 0;
    for (std::size_t p = text.find("<DisplayedTexts>"); p != std::string::npos;
         p = text.find("<DisplayedTexts>", p + 1))
        ++displayed;
    EXPECT_EQ(displayed, 1u);
}

TEST_F(EntitySectionTest, RefusedRenameShowsTheHostsName) {
    PartBuilder b("refuse");
    b.add(RQ_solid_type, 0, {{"name", "KEEP"}});
    b.add(RQ_solid_type, 0);
    ASSERT_NE(b.open(folder_ + "/refuse.prt"), NULL_TAG);
    standin::set_fault("RQ_OBJ_set_name", 7, b.handle(1));
    standin::set_fault("RQ_OBJ_set_name", 7, b.handle(2));
    const std::string text = section("70");
    EXPECT_NE(text.find("<Name>KEEP</Name>"), std::string::npos);
    // The unnamed second object shows the name buffer as the first left it.
    const std::size_t first = text.find("<Name>KEEP</Name>");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("<Name>KEEP</Name>", first + 1), std::string::npos);
}

TEST_F(EntitySectionTest, EntityTimersCountEachListedObject) {
    kvtx_test::open_sample_part("annotations.prt");
    set_timer_name("CHECK_ENTITY_SPECIFICA", 11);
    set_timer_name("RQ_DRF_ask_associativity_data", 17);
    set_timer_name("RQ_DRF_ask_draft_aid_text_info", 16);
    set_timer_name("RQ_DRF_ask_draft_aid_text_info", 18);
    set_timer_name("RQ_SKET_ask_dim_status", 19);
    set_timer_name("Entity_general_info", 15);
    standin::set_fixed_clock(0.5);
    const int running_before = standin::running_timers();
    section("2,25,26");
    EXPECT_EQ(ask_timer_count(11), 21);  // a point, 8 drafting objects and 12 dimensions
    EXPECT_EQ(ask_timer_count(15), 18);  // only where the associativity is asked
    EXPECT_DOUBLE_EQ(ask_timer_seconds(15), 9.0);
    EXPECT_EQ(standin::running_timers(), running_before);  // none left behind
    EXPECT_EQ(ask_timer_count(17), 18);                    // all but subtypes 5 and 37
    EXPECT_EQ(ask_timer_count(16), 19);                    // all but subtype 37
    EXPECT_EQ(ask_timer_count(18), ask_timer_count(16));
    EXPECT_EQ(ask_timer_count(19), 21);  // one per text line
}

// ---- displayed texts on their own --------------------------------------------------
TEST_F(EntitySectionTest, DisplayedTextsOfEveryDimensionSubtype) {
    PartBuilder b("dims");
    for (int subtype = 1; subtype <= 18; ++subtype)
        b.add(RQ_dimension_type, subtype, {{"dimension", {{"above", {"A"}}, {"before", {"B"}}}}});
    ASSERT_NE(b.open(folder_ + "/dims.prt"), NULL_TAG);
    for (int subtype = 1; subtype <= 18; ++subtype) {
        std::remove(report_.c_str());
        EXPECT_EQ(write_displayed_texts(tag_of(b, subtype)), 0);
        const bool has_class = subtype <= 16 && subtype != 12 && subtype != 15;
        EXPECT_EQ(kvtx_test::read_file(report_),
                  has_class ? "              <DisplayedBeforeText>B</DisplayedBeforeText>\n"
                              "              <DisplayedAboveText>A</DisplayedAboveText>\n"
                            : "")
            << "subtype " << subtype;
    }
    // A tag the host does not know: the type query fails, nothing is written.
    std::remove(report_.c_str());
    EXPECT_EQ(write_displayed_texts(999999), 0);
    EXPECT_EQ(kvtx_test::read_file(report_), "");
    EXPECT_EQ(syslog_count("RQ_OBJ_ask_type_and_subtype(elt_id, type, subtype)"), 1);
}

TEST_F(EntitySectionTest, DisplayedTextsWithoutWorkPartWriteNothing) {
    PartBuilder b("gone");
    b.add(RQ_drafting_entity_type, 1, {{"drafting", {{"text", {"T"}}}}});
    ASSERT_NE(b.open(folder_ + "/gone.prt"), NULL_TAG);
    const tag_t note = tag_of(b, 1);
    RQ_PART_close_all();
    EXPECT_EQ(write_displayed_texts(note), 0);
    EXPECT_FALSE(kvtx_test::file_exists(report_));
}

}  // namespace
