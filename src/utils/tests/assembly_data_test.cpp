// The assembly data section: the sample assembly's whole section against its
// golden file, the level limit, a part without components, the placement
// tolerances and non-numbers, the check points of failing calls, and the
// result of the frame lines.
#include "utils/assembly_data.hpp"

#include <rq/rq.h>
#include <standin/testing.hpp>

#include "common/text_buffer.hpp"
#include "support/golden_support.hpp"
#include "support/test_support.hpp"

#include <string>

namespace {

using nlohmann::json;
using standin::PartBuilder;

const std::string kSamples = std::string(KVTX_SOURCE_DIR) + "/samples/parts";

int count_of(const std::string& text, const std::string& piece) {
    int n = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

class AssemblyDataTest : public kvtx_test::LoggedReportTest {
  protected:
    AssemblyDataTest() : LoggedReportTest("assembly_data") {}

    void open_file(const std::string& file) {
        tag_t part = NULL_TAG;
        RQ_PART_load_status_t status{};
        ASSERT_EQ(RQ_PART_open(file.c_str(), &part, &status), 0);
        EXPECT_EQ(status.failed, 0);
    }
    // A fresh report holding only the section.
    std::string section() {
        std::remove(report_.c_str());
        write_assembly_data();
        return report();
    }
    // The check points that write_log reported, in order.
    static std::string reported_lines() {
        std::string lines;
        for (const std::string& message : kvtx_test::logged_messages()) {
            if (message.rfind("       -> in line ", 0) == 0) lines += message.substr(18, 4) + " ";
        }
        return lines;
    }
};

// Three levels, arrangements, suppression by expression, the component
// attributes, a small and a large placement error and a non-number.
TEST_F(AssemblyDataTest, SampleAssemblyGivesTheGoldenSection) {
    ASSERT_NO_FATAL_FAILURE(open_file(kSamples + "/lift_unit.prt"));
    const std::string text = section();
    kvtx_test::expect_matches_golden(kvtx_test::mask_volatile(text, {{kSamples, "<SAMPLES>"}}),
                                     "assembly_data_lift_unit.xml");
    // The one component without "VREL GEOMETRY" and "CALLOUT" logs both failed reads.
    EXPECT_EQ(first_error_code, RQ_err_attribute_missing);
    EXPECT_EQ(count_of(reported_lines(), "1480"), 2);
    EXPECT_EQ(count_of(text, "        <Component>\n"), 11);
}

TEST_F(AssemblyDataTest, LevelLimitDropsDeeperComponentsWhole) {
    ASSERT_NO_FATAL_FAILURE(open_file(kSamples + "/lift_unit.prt"));
    const std::string all = section();
    for (int level : {0, -1, -7}) {
        global_max_assembly_level = level;
        EXPECT_EQ(section(), all) << level;
    }
    global_max_assembly_level = 2;
    const std::string two = section();
    EXPECT_EQ(count_of(two, "        <Component>\n"), 7);
    EXPECT_EQ(count_of(two, "<ComponentLevel>3</ComponentLevel>"), 0);
    EXPECT_EQ(count_of(two, "        </Component>\n"), 7);
    global_max_assembly_level = 1;
    EXPECT_EQ(count_of(section(), "<ComponentLevel>1</ComponentLevel>"), 5);
    EXPECT_EQ(count_of(report(), "        <Component>\n"), 5);
}

// Without components the active arrangement is not asked: every arrangement
// is listed as existing, and no component lines stand between the tags.
TEST_F(AssemblyDataTest, PartWithoutComponentsListsItsArrangementsOnly) {
    PartBuilder b("plain");
    const auto active = b.add(RQ_arrangement_type, 0, {{"name", "ONE"}, {"displayable", false}});
    b.add(RQ_arrangement_type, 0, {{"name", "TWO"}, {"displayable", false}});
    b.doc()["active_arrangement"] = active;
    b.open(folder_ + "/plain.prt");
    EXPECT_EQ(section(),
              "    <AssemblyData>\n"
              "     <PartArrangements>\n"
              "          <ExistingArrangement>ONE</ExistingArrangement>\n"
              "          <ExistingArrangement>TWO</ExistingArrangement>\n"
              "     </PartArrangements>\n"
              "      <Components>\n"
              "      </Components>\n"
              "    </AssemblyData>\n");
    EXPECT_EQ(first_error_code, 0);
    EXPECT_EQ(part_has_components(RQ_ASSEM_ask_work_part()), 0);
    EXPECT_EQ(part_has_components(NULL_TAG), 0);
    EXPECT_EQ(prototype_has_components(NULL_TAG), 0);
    EXPECT_EQ(ask_component_level(NULL_TAG), 0);
}

// Orientation differences must stay below 1e-6 and origin differences below
// 1e-5; a non-number is never consistent and is written as the host gives it.
TEST_F(AssemblyDataTest, PlacementTestUsesStrictTolerances) {
    const json identity = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    struct Case {
        json component;
        const char* inf;
    };
    const Case cases[] = {
        {{{"orientation", {1, 0, 0, 0, 1, 0.000001, 0, 0, 1}}}, "WRN"},
        {{{"orientation", {1, 0, 0, 0, 1, 0.0000009, 0, 0, 1}}}, ""},
        {{{"origin", {0, 0.000009, 0}}}, ""},
        {{{"origin", {0, 0, 0.00001}}}, "WRN"},
        {{{"origin", {0, 0, "nan"}}}, "WRN"},
        {{{"transform", {{1, 0, 0, "inf"}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}}, "WRN"},
    };
    PartBuilder b("tolerance");
    for (const Case& c : cases) {
        json data = {{"transform", identity}};
        data.update(c.component);
        b.add(RQ_component_type, 0, {{"displayable", false}, {"component", data}});
    }
    b.open(folder_ + "/tolerance.prt");
    const std::string text = section();
    std::string marks;
    for (auto at = text.find("<Inf>"); at != std::string::npos; at = text.find("<Inf>", at + 1)) {
        marks += text.substr(at + 5, text.find("</Inf>", at) - at - 5) + ";";
    }
    EXPECT_EQ(marks, "WRN;;;WRN;WRN;WRN;");
    EXPECT_NE(text.find("            <originX>inf</originX>\n"), std::string::npos);
    EXPECT_EQ(first_error_code, RQ_err_attribute_missing);  // the attribute reads only
}

// A component without an instance shows "0" twice; a parent component without
// an instance gives no parent line; texts are escaped only in the elements.
TEST_F(AssemblyDataTest, InstancesParentsAndEscaping) {
    PartBuilder b("esc");
    const auto parent = b.add(RQ_component_type, 0,
                              {{"displayable", false},
                               {"attributes",
                                {{{"title", "VREL GEOMETRY"}, {"value", "a&b<c"}},
                                 {{"title", "CALLOUT"}, {"value", "a&b<c"}},
                                 {{"title", "REFERENCE_COMPONENT"}, {"value", "yes"}}}},
                               {"component", {{"child_file", "a&b<c.prt"}}}});
    const auto inst = b.add(RQ_instance_type, 0, {{"instance", json::object()}});
    b.add(RQ_component_type, 0,
          {{"displayable", false},
           {"component", {{"parent", parent}, {"instance", inst}, {"instance_name", "x<y"}}}});
    b.open(folder_ + "/esc.prt");
    const std::string text = section();
    EXPECT_NE(text.find("          <File>" + folder_ + "/a&b<c.prt</File>\n"), std::string::npos);
    EXPECT_NE(text.find("          <Vrel_Geometry>a&b<c</Vrel_Geometry>\n"), std::string::npos);
    EXPECT_NE(text.find("          <Callout>a&amp;b&lt;c</Callout>\n"), std::string::npos);
    EXPECT_NE(text.find("          <ReferenceComponent>yes</ReferenceComponent>\n"),
              std::string::npos);
    EXPECT_NE(text.find("          <InstanceName>x&lt;y</InstanceName>\n"), std::string::npos);
    EXPECT_EQ(count_of(text, "<InstanceHandle>0</InstanceHandle>"), 1);
    EXPECT_EQ(count_of(text, "<ParentInstanceHandle>0</ParentInstanceHandle>"), 1);
    EXPECT_EQ(count_of(text, "<ParentInstanceHandle>"), 1);
    EXPECT_NE(text.find("          <InstanceHandle>esc:2</InstanceHandle>\n"
                        "          <SuppressState>0</SuppressState>\n"),
              std::string::npos);
    EXPECT_NE(text.find("<ComponentLevel>2</ComponentLevel>"), std::string::npos);
}

// Failing calls are logged at their check points and the section goes on.
TEST_F(AssemblyDataTest, FailingCallsAreLoggedAtTheirCheckPoints) {
    ASSERT_NO_FATAL_FAILURE(open_file(kSamples + "/lift_unit.prt"));
    standin::set_fault("RQ_ASSEM_ask_name_of_arrangement", 21, "lift_unit:1");
    standin::set_fault("RQ_ASSEM_ask_name_of_arrangement", 22, "lift_unit:2");
    standin::set_fault("RQ_ASSEM_ask_name_of_arrangement", 23, "cover_stack:5", 1);
    standin::set_fault("RQ_ASSEM_ask_component_data", 24, "lift_unit:9");
    standin::set_fault("RQ_ASSEM_count_objs_in_comp", 25, "lift_unit:10");
    const std::string text = section();
    std::string lines;
    for (const char* point : {"2498", "2506", "2514", "2605", "2682", "2698"}) {
        if (reported_lines().find(point) != std::string::npos) lines += point;
    }
    EXPECT_EQ(lines, "24982514260526822698");
    EXPECT_EQ(first_error_code, 21);
    EXPECT_NE(text.find("          <ActiveArrangement></ActiveArrangement>\n"), std::string::npos);
    // The failed component data leaves empty texts and a zero matrix.
    EXPECT_NE(text.find("          <File></File>\n          <Handle>lift_unit:9</Handle>"),
              std::string::npos);
    EXPECT_EQ(count_of(text, "<UsedArrangement>STACKED</UsedArrangement>"), 1);
    EXPECT_EQ(count_of(text, "<UsedArrangement></UsedArrangement>"), 1);
    EXPECT_EQ(count_of(text, "        </Component>\n"), 11);

    standin::clear_faults();
    standin::set_fault("RQ_ASSEM_ask_arrangements_in_part", 26);
    reset_result_status();
    section();
    EXPECT_EQ(first_error_code, 26);
}

// The legacy plug-in's section: every level, the other indents, a Mating
// block in place of the placement check (filled for level 1 only) and the
// matrix from the orientation and the origin.
TEST_F(AssemblyDataTest, LegacySectionHasMatingBlocksAndOrientationMatrix) {
    ASSERT_NO_FATAL_FAILURE(open_file(kSamples + "/lift_unit.prt"));
    select_host_release(HostRelease::R7_5);
    global_max_assembly_level = 1;
    const std::string text = section();
    kvtx_test::expect_matches_golden(kvtx_test::mask_volatile(text, {{kSamples, "<SAMPLES>"}}),
                                     "assembly_data_lift_unit.legacy.xml");
    EXPECT_EQ(count_of(text, "        <Component>\n"), 11);
    EXPECT_EQ(count_of(text, "<Inf>"), 0);
    EXPECT_EQ(count_of(text, "           <IsMated>"), 5);

    // The mating-data query is checked; a failed one reads as not mated.
    standin::set_fault("RQ_ASSEM_ask_mc_data_of_compnt", 31, "lift_unit:9");
    reset_result_status();
    EXPECT_NE(section().find("          <Mating>\n           <IsMated>0</IsMated>\n"
                             "          </Mating>\n"),
              std::string::npos);
    EXPECT_EQ(first_error_code, 31);
    EXPECT_EQ(count_of(reported_lines(), "2712"), 1);
}

TEST_F(AssemblyDataTest, ResultCountsTheFrameLinesNotWritten) {
    ASSERT_NO_FATAL_FAILURE(open_file(kSamples + "/cover_stack.prt"));
    EXPECT_EQ(write_assembly_data(), 0);
    copy_text(glob_xml_file, (folder_ + "/no/such/folder/report.xml").c_str());
    EXPECT_EQ(write_assembly_data(), -4);
}

}  // namespace
