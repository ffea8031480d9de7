// Part header section: the whole block for a built part against its golden
// file, and the single steps with their edge cases.
#include "utils/part_header.hpp"

#include <gtest/gtest.h>

#include <string>

#include "common/text_buffer.hpp"
#include "support/golden_support.hpp"
#include "support/test_support.hpp"
#include "utils/run_log.hpp"

namespace {

using nlohmann::json;

constexpr int kExpressionType = 7;

class PartHeaderTest : public kvtx_test::ReportTest {
  protected:
    PartHeaderTest() : ReportTest("part_header") {}

    // Opens the built part as work part; the report starts empty.
    void open(const standin::PartBuilder& builder) {
        ASSERT_NE(builder.open(folder_ + "/" + builder_name_ + ".prt"), NULL_TAG)
            << standin::last_load_error();
    }

    std::string builder_name_ = "part";
};

standin::PartBuilder full_part() {
    standin::PartBuilder builder("hdr");
    json& doc = builder.doc();
    doc["units"] = 1;
    doc["description"] = "Header <test> part";
    doc["history"] = json::array({{{"version", 1},
                                   {"time", 1577880000},
                                   {"program", "P1"},
                                   {"user", "anna"},
                                   {"machine", "ws1"}},
                                  {{"version", 2},
                                   {"time", 1609502400},
                                   {"program", "P2"},
                                   {"user", "bert"},
                                   {"machine", "ws2"}},
                                  {{"version", 3},
                                   {"time", 1640995200},
                                   {"program", "P&3"},
                                   {"user", "carla"},
                                   {"machine", "ws3"}}});
    doc["attributes"] =
        json::array({{{"title", "<TITLE>"},
                      {"kind", "string"},
                      {"value", "a \"quoted\" 'text'"},
                      {"locked", true}},
                     {{"title", "COUNT"}, {"kind", "integer"}, {"value", 7}},
                     {{"title", "LIMIT"}, {"kind", "real"}, {"value", 2.5}},
                     {{"title", "FLAG"}, {"kind", "boolean"}, {"value", false}},
                     {{"title", "DATE"}, {"kind", "time"}, {"value", {20240101, 80000}}},
                     {{"title", "EMPTY"}, {"kind", "null"}}});
    builder.add(kExpressionType, 0,
                {{"expression", {{"name", "len<1>"}, {"value_text", "10&2"}, {"value", 10.0}}}});
    builder.add(kExpressionType, 0,
                {{"expression",
                  {{"name", "locked"}, {"value_text", "5"}, {"value", 5.0}, {"no_edit", true}}}});
    return builder;
}

TEST_F(PartHeaderTest, WholeBlockMatchesItsGoldenFile) {
    ::setenv("TZ", "UTC", 1);
    open(full_part());
    write_part_header();
    kvtx_test::expect_matches_golden(kvtx_test::mask_volatile(report(), {{folder_, "<FOLDER>"}}),
                                     "part_header_full.xml");
}

TEST_F(PartHeaderTest, UnitsAreNamedOrWrittenAsTheirNumber) {
    const std::pair<int, const char*> cases[] = {{1, "      <Units>METRIC</Units>\n"},
                                                 {2, "      <Units>ENGLISH</Units>\n"},
                                                 {5, "      <Units>5</Units>\n"}};
    for (const auto& [units, line] : cases) {
        standin::PartBuilder builder("u" + std::to_string(units));
        builder.doc()["units"] = units;
        builder_name_ = "units" + std::to_string(units);
        open(builder);
        std::remove(report_.c_str());
        write_part_units();
        EXPECT_EQ(report(), line);
    }
}

TEST_F(PartHeaderTest, MissingOrEmptyDescriptionIsNoDescription) {
    standin::PartBuilder without("nodesc");
    builder_name_ = "nodesc";
    open(without);
    write_part_description();
    standin::PartBuilder empty("emptydesc");
    empty.doc()["description"] = "";
    builder_name_ = "emptydesc";
    open(empty);
    write_part_description();
    EXPECT_EQ(report(),
              "      <PartDescription>No_description</PartDescription>\n"
              "      <PartDescription>No_description</PartDescription>\n");
}

TEST_F(PartHeaderTest, FamilyStatusOfPlainInstanceAndTemplateParts) {
    standin::PartBuilder plain("plain");
    builder_name_ = "plain";
    open(plain);
    write_part_family();

    standin::PartBuilder instance("inst");
    instance.doc()["family_instance"] = true;
    builder_name_ = "inst";
    open(instance);
    write_part_family();

    standin::PartBuilder empty_template("tpl0");
    empty_template.doc()["family_template"] = true;
    builder_name_ = "tpl0";
    open(empty_template);
    write_part_family();

    standin::PartBuilder with_families("tpl2");
    with_families.doc()["family_template"] = true;
    with_families.add(
        RQ_family_type, 0,
        {{"family", {{"name", "SIZES"}, {"member_count", 3}, {"attribute_count", 2}}}});
    with_families.add(
        RQ_family_type, 0,
        {{"family", {{"name", "COLOURS"}, {"member_count", 1}, {"attribute_count", 0}}}});
    builder_name_ = "tpl2";
    open(with_families);
    write_part_family();

    EXPECT_EQ(report(),
              "      <PartFamilyStatus></PartFamilyStatus>\n"
              "      <PartFamilyStatus>PFC</PartFamilyStatus>\n"
              "      <PartFamilyStatus>PFT</PartFamilyStatus>\n"
              "      <PartFamilyCount>0</PartFamilyCount>\n"
              "      <PartFamilyStatus>PFT</PartFamilyStatus>\n"
              "      <PartFamilyCount>2</PartFamilyCount>\n"
              "      <PartFamilyName>SIZES</PartFamilyName>\n"
              "      <PartFamilyMemberCount>3</PartFamilyMemberCount>\n"
              "      <PartFamilyAttributeCount>2</PartFamilyAttributeCount>\n"
              "      <PartFamilyName>COLOURS</PartFamilyName>\n"
              "      <PartFamilyMemberCount>1</PartFamilyMemberCount>\n"
              "      <PartFamilyAttributeCount>0</PartFamilyAttributeCount>\n");
}

TEST_F(PartHeaderTest, EmptyAttributesAndExpressionsKeepTheirFrames) {
    open(standin::PartBuilder("bare"));
    write_part_attributes();
    write_part_expressions();
    EXPECT_EQ(report(),
              "      <Attributes>\n      </Attributes>\n"
              "      <Expressions>\n      </Expressions>\n");
}

TEST_F(PartHeaderTest, ExpressionTextWithTwoEqualsSignsLosesTheRestAndIsNotLocked) {
    standin::PartBuilder builder("exp2");
    // The expression's own text reads "a=b=c": the name "a" finds no expression.
    builder.add(kExpressionType, 0,
                {{"expression",
                  {{"name", "a=b"}, {"value_text", "c"}, {"value", 1.0}, {"no_edit", true}}}});
    open(builder);
    write_part_expressions();
    EXPECT_EQ(report(),
              "      <Expressions>\n"
              "        <Expression>\n"
              "          <Name>a</Name>\n"
              "          <Value>b</Value>\n"
              "          <RealValue>1.000000</RealValue>\n"
              "          <OverwriteLock>0</OverwriteLock>\n"
              "        </Expression>\n"
              "      </Expressions>\n");
    EXPECT_EQ(ask_expression_no_edit("no_such_expression"), 0);
}

TEST_F(PartHeaderTest, FailingHistoryQueryIsLoggedAndGivesNoEntries) {
    const std::string log = folder_ + "/run.log";
    ASSERT_EQ(init_program_log_file(log.c_str()), 0);
    open(full_part());
    standin::set_fault("RQ_PART_ask_num_histories", RQ_err_bad_argument);
    testing::internal::CaptureStdout();
    write_part_history();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(report(), "      <PartHistoryNum>0</PartHistoryNum>\n");
    bool logged = false;
    for (const std::string& entry : standin::syslog_entries()) {
        logged = logged || entry.find("       -> in line 1839 (") != std::string::npos;
    }
    EXPECT_TRUE(logged);
#ifndef KAVOTALVEX_PLUGIN
    EXPECT_NE(kvtx_test::read_file(log).find("       -> in line 1839 ("), std::string::npos);
#endif
    EXPECT_EQ(first_error_code, RQ_err_bad_argument);
}

TEST_F(PartHeaderTest, CliNameOfANativePartIsItsFileName) {
    open(standin::PartBuilder("cli"));
    write_cli_name();
    EXPECT_EQ(report(), "      <CliName>[" + folder_ + "/part.prt]</CliName>\n");
}

TEST_F(PartHeaderTest, StringAttributeIsReadOnlyFromALiveObjectWithATitle) {
    standin::PartBuilder builder("attr");
    const auto id = builder.add(
        RQ_component_type, 0,
        {{"attributes",
          json::array({{{"title", "CALLOUT"}, {"kind", "string"}, {"value", "C-12"}}})}});
    open(builder);
    const tag_t object = RQ_TAG_ask_tag_of_handle(builder.handle(id).c_str());
    ASSERT_NE(object, NULL_TAG);

    char text[256] = "stale";
    EXPECT_EQ(read_string_attribute(object, "CALLOUT", text, sizeof text), 0);
    EXPECT_STREQ(text, "C-12");

    copy_text(text, "stale");
    EXPECT_EQ(read_string_attribute(NULL_TAG, "CALLOUT", text, sizeof text), 4711);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(read_string_attribute(object, nullptr, text, sizeof text), 4711);
    EXPECT_EQ(first_error_code, 0);

    // A missing attribute is the host's failure, recorded at its check point.
    testing::internal::CaptureStdout();
    EXPECT_NE(read_string_attribute(object, "VREL GEOMETRY", text, sizeof text), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string(first_error_message).find("[1480]"), std::string::npos);

    // A small buffer gets the text cut, never written past.
    char small[3] = "";
    EXPECT_EQ(read_string_attribute(object, "CALLOUT", small, sizeof small), 0);
    EXPECT_STREQ(small, "C-");
}

// The legacy builds write no family lines and report no attribute or
// expression as locked; everything else is the newest build's block.
TEST_F(PartHeaderTest, LegacyBlockHasNoFamilyLinesAndNoLocks) {
    ::setenv("TZ", "UTC", 1);
    standin::PartBuilder builder = full_part();
    builder.doc()["family_template"] = true;
    open(builder);
    write_part_header();
    std::string expected = report();
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"      <PartFamilyStatus>PFT</PartFamilyStatus>\n"
              "      <PartFamilyCount>0</PartFamilyCount>\n",
              ""},
             {"<LockStatus>1</LockStatus>", "<LockStatus>0</LockStatus>"},
             {"<OverwriteLock>1</OverwriteLock>", "<OverwriteLock>0</OverwriteLock>"}}) {
        const auto at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    }
    for (HostRelease legacy : {HostRelease::R4, HostRelease::R7_5}) {
        select_host_release(legacy);
        std::remove(report_.c_str());
        write_part_header();
        EXPECT_EQ(report(), expected);
    }
    // A name the part does not hold is no locked expression either.
    EXPECT_EQ(ask_expression_no_edit("no such expression"), 0);
}

}  // namespace
