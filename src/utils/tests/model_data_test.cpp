// The model data section: the whole section of a sample part against its
// golden file, the mass-property blocks, the limits of the body tables, the
// prototype analysis' densities and its failure paths.
#include "utils/model_data.hpp"

#include "utils/mass_props.hpp"

#include <rq/rq.h>
#include <standin/model_testing.hpp>
#include <standin/testing.hpp>

#include "common/text_buffer.hpp"
#include "support/golden_support.hpp"
#include "support/test_support.hpp"
#include "utils/xml_writer.hpp"

#include <algorithm>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

using nlohmann::json;
using standin::PartBuilder;

json block(double x, double y, double z, json extra = json::object()) {
    json body = {{"shape", "block"}, {"size", {x, y, z}}};
    body.update(extra);
    return body;
}

// The sample part: solid bodies of three shapes on layers 0, 1 and 257, a
// sheet body, a body of unknown type, features in the host's statuses,
// reference sets of bodies, a component and other objects.
struct SamplePart {
    PartBuilder builder{"model_sample"};
    std::int64_t block_body = 0, cylinder_body = 0, sphere_body = 0, deleted_feature = 0;

    SamplePart() {
        auto& b = builder;
        auto steel = b.add(RQ_material_type, 0, {{"name", "Steel S235"}});
        auto f1 = b.add(RQ_feature_type, 0,
                        {{"name", "BLOCK(1)"},
                         {"feature", {{"feature_type", "BLOCK"}, {"display_name", "Block (1)"}}}});
        auto f2 = b.add(RQ_feature_type, 0,
                        {{"name", "SIMPLE HOLE(2)"},
                         {"feature", {{"feature_type", "SIMPLE HOLE"}, {"suppressed", true}}}});
        auto f3 = b.add(RQ_feature_type, 0,
                        {{"name", "BLEND <R5> & \"A\""},
                         {"status", RQ_OBJ_CONDEMNED},
                         {"feature",
                          {{"feature_type", "BLEND"},
                           {"display_name", "Edge 'Blend'"},
                           {"browseable", false}}}});
        auto f4 = b.add(RQ_feature_type, 0,
                        {{"name", "CYLINDER(4)"},
                         {"status", RQ_OBJ_TEMPORARY},
                         {"feature", {{"feature_type", "CYLINDER"}}}});
        deleted_feature = b.add(RQ_feature_type, 0,
                                {{"name", "SPHERE(5)"}, {"feature", {{"feature_type", "SPHERE"}}}});
        block_body =
            b.add(RQ_solid_type, 0,
                  {{"color", 6},
                   {"font", 2},
                   {"body",
                    block(100, 50, 20,
                          {{"density", 7.85}, {"material", steel}, {"features", {f1, f2, f3}}})}});
        cylinder_body = b.add(RQ_solid_type, 0,
                              {{"layer", 0},
                               {"color", 186},
                               {"body",
                                {{"shape", "cylinder"},
                                 {"size", {10, 40, 0}},
                                 {"origin", {50, 25, 20}},
                                 {"density", 2.7},
                                 {"features", {f4}}}}});
        sphere_body = b.add(RQ_solid_type, 0,
                            {{"layer", 257},
                             {"body",
                              {{"shape", "sphere"},
                               {"size", {5, 0, 0}},
                               {"origin", {0, 0, 100}},
                               {"features", {deleted_feature}}}}});
        auto sheet = b.add(RQ_solid_type, 0,
                           {{"layer", 257}, {"body", {{"body_type", RQ_MODL_SHEET_BODY}}}});
        b.add(RQ_solid_type, 0, {{"body", {{"body_type", 5603}}}});
        auto wire_body = b.add(RQ_solid_type, 1, {{"body", block(1, 1, 1)}});
        auto point = b.add(RQ_point_type, 0, {{"layer", 0}, {"point", {{"xyz", {1, 2, 3}}}}});
        auto component =
            b.add(RQ_component_type, 0,
                  {{"displayable", false}, {"component", {{"instance_name", "BOLT"}}}});
        b.add(RQ_reference_set_type, 0,
              {{"name", "MODEL"},
               {"displayable", false},
               {"reference_set", {{"members", {block_body, cylinder_body, sheet, wire_body}}}}});
        b.add(RQ_reference_set_type, 0,
              {{"name", "LIGHT & <SMALL>"},
               {"displayable", false},
               {"reference_set", {{"members", {sphere_body, component, point, f1}}}}});
        b.add(RQ_reference_set_type, 0,
              {{"name", "COMPONENTS"},
               {"displayable", false},
               {"reference_set", {{"members", {component}}}}});
        b.add(RQ_reference_set_type, 0,
              {{"name", "EMPTY"},
               {"displayable", false},
               {"reference_set", {{"members", json::array()}}}});
        b.add(RQ_reference_set_type, 0,
              {{"displayable", false}, {"reference_set", {{"members", {sheet}}}}});
    }
};

class ModelDataTest : public kvtx_test::LoggedReportTest {
  protected:
    ModelDataTest() : LoggedReportTest("model_data") {}

    tag_t open(const PartBuilder& builder, const std::string& name = "part.prt") {
        tag_t part = builder.open(folder_ + "/" + name);
        EXPECT_NE(part, NULL_TAG);
        return part;
    }
    tag_t tag_of(const PartBuilder& builder, std::int64_t id) {
        return RQ_TAG_ask_tag_of_handle(builder.handle(id).c_str());
    }
    double density_of(tag_t body) {
        double density = -1;
        RQ_MODL_ask_body_density(body, 3, &density);
        return density;
    }
    // A part whose bodies are all occurrences: no body list, no prototype analysis.
    static void expect_no_own_bodies(const std::string& text) {
        EXPECT_NE(text.find("       <Bodies>\n       </Bodies>\n"), std::string::npos);
        EXPECT_NE(text.find("      <PrototypeAnalysis>\n      </PrototypeAnalysis>\n"),
                  std::string::npos);
    }
    // What write_log sent to the host syslog; the run-log file holds the same
    // messages only in the console form.
    std::string logged() {
        std::string all;
        for (const auto& entry : standin::syslog_entries()) all += entry;
        return all;
    }
};

int count_of(const std::string& text, const std::string& piece) {
    int n = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

TEST_F(ModelDataTest, SamplePartGivesTheGoldenSection) {
    SamplePart sample;
    open(sample.builder);
    // A host that still lists a deleted feature.
    ASSERT_EQ(
        standin::set_listed_status(tag_of(sample.builder, sample.deleted_feature), RQ_OBJ_DELETED),
        0);

    write_model_data();

    kvtx_test::expect_matches_golden(report(), "model_data_sample.xml");
    EXPECT_EQ(first_error_code, 0);
    EXPECT_EQ(standin::open_feature_lists(), 0);
    // The analysis gave every density back.
    EXPECT_EQ(density_of(tag_of(sample.builder, sample.block_body)), 7.85);
    EXPECT_EQ(density_of(tag_of(sample.builder, sample.cylinder_body)), 2.7);
    EXPECT_EQ(density_of(tag_of(sample.builder, sample.sphere_body)), 1.0);
}

// The legacy builds ask no display names and browse flags: the sample's
// section with "N/A" and 0 in every feature.
TEST_F(ModelDataTest, LegacyFeaturesShowNoDisplayNameAndAreNotBrowseable) {
    SamplePart sample;
    open(sample.builder);
    ASSERT_EQ(
        standin::set_listed_status(tag_of(sample.builder, sample.deleted_feature), RQ_OBJ_DELETED),
        0);
    select_host_release(HostRelease::R7_5);
    write_model_data();
    std::string expected = kvtx_test::read_file(std::string(KVTX_SOURCE_DIR) +
                                                "/src/utils/tests/golden/model_data_sample.xml");
    expected =
        std::regex_replace(expected, std::regex("_DisplayName>[^<]*</"), "_DisplayName>N/A</");
    expected =
        std::regex_replace(expected, std::regex("_IsBrowseable>[0-9]+</"), "_IsBrowseable>0</");
    EXPECT_EQ(report(), expected);
    EXPECT_EQ(count_of(report(), "_DisplayName>N/A</"), 5);
}

TEST_F(ModelDataTest, PartWithoutSolidsOrFeaturesWritesCountsOnly) {
    PartBuilder b("flat");
    b.add(RQ_solid_type, 0, {{"body", {{"body_type", RQ_MODL_SHEET_BODY}}}});
    b.add(RQ_solid_type, 0, {{"body", {{"body_type", RQ_MODL_SHEET_BODY}}}});
    open(b);

    write_model_data();
    const std::string text = report();
    EXPECT_NE(text.find("         <Name>Entire Part</Name>\n"
                        "          <SheetBodies_n>2</SheetBodies_n>\n"
                        "        </Refset>\n"
                        "      </Refsets>\n"),
              std::string::npos);
    EXPECT_EQ(text.find("UnknownBodies_n"), std::string::npos);
    EXPECT_NE(text.find("       <Features>\n        <TotalFeatures_n>0</TotalFeatures_n>\n"),
              std::string::npos);
    EXPECT_NE(text.find("      <PrototypeAnalysis>\n      </PrototypeAnalysis>\n"),
              std::string::npos);
    EXPECT_EQ(logged().find("SaveWorkPart"), std::string::npos);
}

TEST_F(ModelDataTest, AssemblyOccurrencesCountInTheEntirePartOnly) {
    PartBuilder child("bolt");
    auto child_body =
        child.add(RQ_solid_type, 0, {{"body", block(2, 1, 1, {{"features", json::array()}})}});
    tag_t child_part = NULL_TAG;
    child.write(folder_ + "/bolt.prt");
    ASSERT_EQ(standin::load_part_file(folder_ + "/bolt.prt", &child_part), 0);

    PartBuilder assembly("assembly");
    auto component = assembly.add(
        RQ_component_type, 0,
        {{"component",
          {{"transform", {{0, -1, 0, 10}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}}}});
    tag_t work = open(assembly, "assembly.prt");
    tag_t occurrence =
        standin::make_occurrence_body(work, tag_of(assembly, component), tag_of(child, child_body));
    ASSERT_NE(occurrence, NULL_TAG);

    write_model_data();
    const std::string text = report();
    EXPECT_NE(text.find("          <Volume>2.000000</Volume>\n"
                        "          <VolumeBodies_n>1</VolumeBodies_n>\n"
                        "          <Feature3D_n>0</Feature3D_n>\n"
                        "          <CentreOfGravity>\n"
                        "            <X>9.500000</X>\n"
                        "            <Y>1.000000</Y>\n"
                        "            <Z>0.500000</Z>\n"),
              std::string::npos);
    expect_no_own_bodies(text);
}

TEST_F(ModelDataTest, SaveModeSkipsTheNormalisedAnalysis) {
    PartBuilder b("saved");
    auto body = b.add(RQ_solid_type, 0, {{"body", block(1, 1, 1, {{"density", 4.5}})}});
    open(b);
    save_work_part_mode = 1;

    write_prototype_analysis();
    const std::string text = report();
    EXPECT_NE(text.find("<VolumeBodies_n>1</VolumeBodies_n>"), std::string::npos);
    EXPECT_EQ(text.find("N1>"), std::string::npos);
    EXPECT_NE(logged().find("Info: SaveWorkPart Modus is on ==> no normalized prototype "
                            "analysis\n"),
              std::string::npos);
    EXPECT_EQ(density_of(tag_of(b, body)), 4.5);
}

TEST_F(ModelDataTest, NormalisedAnalysisUsesUnitDensitiesAndRestoresThem) {
    // A heavy block at x 0..1 and a light one at x 2..3: the real centre of
    // gravity lies near the heavy block, the normalised one in the middle.
    PartBuilder b("two");
    auto heavy = b.add(RQ_solid_type, 0, {{"body", block(1, 1, 1, {{"density", 3.0}})}});
    auto light = b.add(RQ_solid_type, 0,
                       {{"body", block(1, 1, 1, {{"density", 1.0}, {"origin", {2, 0, 0}}})}});
    open(b);

    write_prototype_analysis();
    EXPECT_EQ(report(),
              "       <BodyCalculationAccuracy>0.990000</BodyCalculationAccuracy>\n"
              "       <Volume>2.000000</Volume>\n"
              "         <VolumeBodies_n>2</VolumeBodies_n>\n"
              "         <CentreOfGravity>\n"
              "          <X>1.000000</X>\n"
              "          <Y>0.500000</Y>\n"
              "          <Z>0.500000</Z>\n"
              "         </CentreOfGravity>\n"
              "         <MomentOfInertia>\n"
              "          <X>0.666667</X>\n"
              "          <Y>3.666667</Y>\n"
              "          <Z>3.666667</Z>\n"
              "         </MomentOfInertia>\n"
              "         <CentreOfGravityN1>\n"
              "          <X>1.500000</X>\n"
              "          <Y>0.500000</Y>\n"
              "          <Z>0.500000</Z>\n"
              "         </CentreOfGravityN1>\n"
              "         <MomentOfInertiaN1>\n"
              "          <X>0.333333</X>\n"
              "          <Y>2.333333</Y>\n"
              "          <Z>2.333333</Z>\n"
              "         </MomentOfInertiaN1>\n");
    EXPECT_EQ(density_of(tag_of(b, heavy)), 3.0);
    EXPECT_EQ(density_of(tag_of(b, light)), 1.0);
}

TEST_F(ModelDataTest, DensitiesComeBackWhenTheSecondCallFails) {
    PartBuilder b("failing");
    auto first = b.add(RQ_solid_type, 0, {{"body", block(1, 1, 1, {{"density", 2.5}})}});
    auto second = b.add(RQ_solid_type, 0, {{"body", block(2, 1, 1, {{"density", 0.25}})}});
    open(b);
    standin::fail_nth_mass_props_call(2, RQ_err_mass_props);

    write_prototype_analysis();
    const std::string text = report();
    EXPECT_NE(text.find("<Volume>3.000000</Volume>"), std::string::npos);
    EXPECT_NE(text.find("         <CentreOfGravityN1>\n"
                        "          <X>0.000000</X>\n"
                        "          <Y>0.000000</Y>\n"
                        "          <Z>0.000000</Z>\n"),
              std::string::npos);
    EXPECT_EQ(first_error_code, RQ_err_mass_props);
    EXPECT_NE(std::string(first_error_message).find("[2120]"), std::string::npos);
    EXPECT_EQ(density_of(tag_of(b, first)), 2.5);
    EXPECT_EQ(density_of(tag_of(b, second)), 0.25);
}

TEST_F(ModelDataTest, MassPropertyFailuresFillTheFirstErrorOnce) {
    PartBuilder b("broken");
    auto body = b.add(RQ_solid_type, 0,
                      {{"body", block(1, 1, 1, {{"density", 5.0}, {"mass_props_fault", 900}})}});
    b.add(RQ_reference_set_type, 0, {{"name", "ALL"}, {"reference_set", {{"members", {body}}}}});
    open(b);

    write_model_data();
    EXPECT_EQ(first_error_code, 900);
    EXPECT_NE(std::string(first_error_message).find("[1987]"), std::string::npos);
    const std::string log = logged();
    EXPECT_NE(log.find("       -> in line 1987 ("), std::string::npos);
    EXPECT_NE(log.find("       -> in line 2277 ("), std::string::npos);
    EXPECT_NE(log.find("       -> in line 2091 ("), std::string::npos);
    EXPECT_NE(log.find("       -> in line 2120 ("), std::string::npos);
    // The first failure fills the record; each later one is marked instead.
    EXPECT_EQ(count_of(log, "Error in MassProperty"), 3);
    // The lines are still written, with what the call left: zeros.
    const std::string text = report();
    EXPECT_EQ(count_of(text, "<Volume>0.000000</Volume>"), 3);
    EXPECT_EQ(density_of(tag_of(b, body)), 5.0);
}

// Fails one step of a walk after 0, 1, 2, ... steps that pass, up to the
// last step; with `every_cut`, whenever the section comes out other than
// without the fault, the failure must be on record. Gives the check points of
// the recorded failures.
std::vector<std::string> check_points_of_cut_walks(const std::string& call,
                                                   const std::string& report_file, bool every_cut) {
    auto run = [&report_file] {
        std::ofstream(report_file, std::ios::trunc).close();
        reset_result_status();
        write_model_data();
        return kvtx_test::read_file(report_file);
    };
    const std::string whole = run();
    std::vector<std::string> check_points;
    for (int skip = 0;; ++skip) {
        standin::clear_faults();
        standin::load_faults(
            json::array({{{"call", call}, {"code", 3}, {"skip", skip}, {"times", 1}}}));
        const std::string text = run();
        standin::clear_faults();
        if (first_error_code == 0) {
            if (text == whole) break;  // past the last step (or a step of an empty layer)
            if (every_cut) ADD_FAILURE() << call << " cut silently after " << skip << " steps";
            continue;
        }
        EXPECT_EQ(first_error_code, 3);
        const std::string message = first_error_message;
        check_points.push_back(message.substr(message.rfind('[')));
    }
    return check_points;
}

TEST_F(ModelDataTest, EveryCutWalkIsOnRecord) {
    SamplePart sample;
    open(sample.builder);
    using Points = std::vector<std::string>;
    const Points cycles = check_points_of_cut_walks("RQ_OBJ_cycle_objs_in_part", report_, true);
    // The bodies are walked for the entire part, the reference sets and the
    // prototype analysis; then the reference sets and the features.
    for (const char* point : {"[1940]", "[2860]", "[2870]"})
        EXPECT_NE(std::find(cycles.begin(), cycles.end(), point), cycles.end()) << point;
    // A layer cut after its first object; a layer whose first step fails
    // gives nothing, as an empty layer does, and is left out.
    const Points layers = check_points_of_cut_walks("RQ_LAYER_cycle_by_layer", report_, false);
    EXPECT_FALSE(layers.empty());
    for (const auto& point : layers) EXPECT_EQ(point, "[2880]");
}

TEST_F(ModelDataTest, FeatureListQueriesAreChecked) {
    PartBuilder b("features");
    auto body = b.add(RQ_solid_type, 0, {{"body", block(1, 1, 1)}});
    b.add(RQ_reference_set_type, 0, {{"name", "R"}, {"reference_set", {{"members", {body}}}}});
    open(b);
    standin::set_fault("RQ_MODL_ask_body_feats", 77);

    write_model_data();
    EXPECT_EQ(first_error_code, 77);
    EXPECT_NE(std::string(first_error_message).find("[1958]"), std::string::npos);
    EXPECT_NE(logged().find("       -> in line 2247 ("), std::string::npos);
    EXPECT_EQ(count_of(report(), "<Feature3D_n>0</Feature3D_n>"), 2);
    EXPECT_EQ(standin::open_feature_lists(), 0);
}

// 50,001 own solid bodies, all in one reference set that ends with a
// component: both tables stop at 50,000, the entire part takes them all.
TEST_F(ModelDataTest, BodyTablesStopAtTheirLimit) {
    constexpr int kBodies = 50001;
    PartBuilder b("big");
    auto component = b.add(RQ_component_type, 0, {{"component", json::object()}});
    tag_t part = open(b);
    std::vector<tag_t> members = standin::add_unit_blocks(part, kBodies);
    ASSERT_EQ(members.size(), static_cast<std::size_t>(kBodies));
    members.push_back(tag_of(b, component));
    tag_t set = standin::add_reference_set(part, members);

    write_prototype_analysis();
    std::string text = report();
    EXPECT_NE(text.find("       <Volume>50000.000000</Volume>\n"
                        "         <VolumeBodies_n>50000</VolumeBodies_n>\n"),
              std::string::npos);
    EXPECT_EQ(density_of(members.front()), 1.0);

    init_xml_file();
    write_refset_mass_props(set);
    text = report();
    EXPECT_NE(text.find("          <VolumeBodies_n>50000</VolumeBodies_n>\n"), std::string::npos);
    EXPECT_NE(text.find("          <ObjectsComps_n>0</ObjectsComps_n>\n"), std::string::npos);

    init_xml_file();
    write_entire_part_mass_props();
    EXPECT_NE(report().find("          <VolumeBodies_n>50001</VolumeBodies_n>\n"),
              std::string::npos);
}

TEST_F(ModelDataTest, ReferenceSetsUseTheirOwnAccuracy) {
    PartBuilder b("accuracy");
    auto body = b.add(RQ_solid_type, 0, {{"body", block(1, 1, 1)}});
    auto set = b.add(RQ_reference_set_type, 0, {{"reference_set", {{"members", {body}}}}});
    open(b);
    mass_props_accuracy = 0.5;

    write_entire_part_mass_props();
    write_refset_mass_props(tag_of(b, set));
    write_prototype_analysis();
    const std::string text = report();
    EXPECT_EQ(count_of(text, "BodyCalculationAccuracy>0.500000<"), 2);
    EXPECT_EQ(count_of(text, "BodyCalculationAccuracy"), 4);  // the set writes none
}

}  // namespace

namespace {

// The sample part of the repository loads and reports its statuses and layers.
TEST_F(ModelDataTest, RepositorySamplePartReportsItsModel) {
    ASSERT_NO_FATAL_FAILURE(kvtx_test::open_sample_part("model_refsets.prt"));

    write_model_data();
    const std::string text = report();
    // The deleted feature is no longer listed by the host.
    EXPECT_NE(text.find("        <TotalFeatures_n>4</TotalFeatures_n>\n"
                        "        <AliveFeatures_n>2</AliveFeatures_n>\n"
                        "        <SuppressedFeatures_n>1</SuppressedFeatures_n>\n"
                        "        <CondemnedFeatures_n>1</CondemnedFeatures_n>\n"
                        "        <DeletedFeatures_n>0</DeletedFeatures_n>\n"
                        "        <TemporaryFeatures_n>1</TemporaryFeatures_n>\n"),
              std::string::npos);
    EXPECT_NE(text.find("          <Name>0</Name>\n          <Objects_n>2</Objects_n>\n"),
              std::string::npos);
    EXPECT_NE(text.find("          <Name>257</Name>\n          <Objects_n>2</Objects_n>\n"),
              std::string::npos);
    EXPECT_NE(text.find("         <Name>LIGHT & <SMALL></Name>\n"), std::string::npos);
    EXPECT_NE(text.find("<CentreOfGravityN1>"), std::string::npos);
    EXPECT_EQ(first_error_code, 0);
}

// The sample assembly: its two covers are occurrences loaded with it; the
// entire part analyses them without features, the part has no own bodies.
TEST_F(ModelDataTest, RepositoryAssemblyAnalysesItsOccurrences) {
    ASSERT_NO_FATAL_FAILURE(kvtx_test::open_sample_part("cover_stack.prt"));

    write_model_data();
    const std::string text = report();
    EXPECT_NE(text.find("      <Refsets>\n"
                        "        <Refset>\n"
                        "         <Name>Entire Part</Name>\n"
                        "          <BodyCalculationAccuracy>0.990000</BodyCalculationAccuracy>\n"
                        "          <Volume>14400.000000</Volume>\n"
                        "          <VolumeBodies_n>2</VolumeBodies_n>\n"
                        "          <Feature3D_n>0</Feature3D_n>\n"
                        "          <CentreOfGravity>\n"
                        "            <X>30.000000</X>\n"
                        "            <Y>30.000000</Y>\n"
                        "            <Z>6.000000</Z>\n"
                        "          </CentreOfGravity>\n"
                        "          <MomentOfInertia>\n"
                        "            <X>4684800.000000</X>\n"
                        "            <Y>4684800.000000</Y>\n"
                        "            <Z>8640000.000000</Z>\n"
                        "          </MomentOfInertia>\n"
                        "        </Refset>\n"
                        "      </Refsets>\n"),
              std::string::npos);
    expect_no_own_bodies(text);
    EXPECT_EQ(first_error_code, 0);
}

}  // namespace
