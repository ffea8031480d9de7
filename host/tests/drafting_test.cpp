// Drafting objects and dimensions: the procedural calls, the part-file round
// trip, and the annotation classes of the object interface.
#include <rq/rq.h>
#include <kavoopen/kavoopen.hpp>

#include "host_fixture.hpp"
#include "parts/store.hpp"
#include "session/memory.hpp"

#include <map>
#include <stdexcept>
#include <string>
#include <typeinfo>

namespace {

using nlohmann::json;
namespace KA = KavoOpen::Annotations;

class DraftingTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(RQ_initialize(), 0);
    }
    tag_t tag_of(const standin::PartBuilder& b, std::int64_t id) {
        return RQ_TAG_ask_tag_of_handle(b.handle(id).c_str());
    }
};

TEST_F(DraftingTest, CallsGiveTheDraftingDataAndOneFreeReleasesIt) {
    standin::PartBuilder b("calls");
    auto body = b.add(RQ_solid_type, 0);
    auto gone = b.add(RQ_point_type, 0, {{"status", 0}});
    json drafting = json::object();
    drafting["origin"] = {1.5, 2, 3};
    drafting["associativity"] = json::array({json{{"first", body}, {"second", gone}}});
    drafting["text_blocks"] = json::array(
        {json{{"type", 4}, {"font", 7}, {"size", 3.5}, {"angle", 90}, {"lines", {"a", "bc"}}},
         json{{"type", 5}, {"lines", json::array()}}});
    drafting["sketch"] =
        json{{"expression", body}, {"expression_text", "p1=4"}, {"value", 4.0}, {"status", 2}};
    auto note = b.add(RQ_drafting_entity_type, 1, {{"drafting", drafting}});
    auto bare = b.add(RQ_dimension_type, 2);
    ASSERT_NE(b.open(path("calls.prt")), NULL_TAG);
    const std::size_t blocks_before = standin::host_blocks_in_use();

    double origin[3] = {9, 9, 9};
    ASSERT_EQ(RQ_DRF_ask_origin(tag_of(b, note), origin), 0);
    EXPECT_EQ(origin[0], 1.5);
    EXPECT_EQ(origin[2], 3.0);

    int count = -1;
    RQ_DRF_assoc_data_t* records = nullptr;
    ASSERT_EQ(RQ_DRF_ask_associativity_data(tag_of(b, note), &count, &records), 0);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(records[0].first_object, tag_of(b, body));
    EXPECT_EQ(records[0].second_object, tag_of(b, gone));
    EXPECT_EQ(RQ_OBJ_ask_status(records[0].second_object), RQ_OBJ_DELETED);
    RQ_free(records);

    RQ_DRF_text_block_t* blocks = nullptr;
    ASSERT_EQ(RQ_DRF_ask_draft_aid_text_info(tag_of(b, note), &count, &blocks), 0);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(blocks[0].text_type, 4);
    EXPECT_EQ(blocks[0].text_font, 7);
    EXPECT_EQ(blocks[0].text_size, 3.5);
    EXPECT_EQ(blocks[0].text_angle, 90.0);
    ASSERT_EQ(blocks[0].num_lines, 2);
    EXPECT_STREQ(blocks[0].lines[1].text, "bc");
    EXPECT_EQ(blocks[1].num_lines, 0);
    RQ_free(blocks);
    EXPECT_EQ(standin::host_blocks_in_use(), blocks_before);

    tag_t expression = 0;
    char text[10000] = "";
    double value = 0;
    int status = -1;
    ASSERT_EQ(RQ_SKET_ask_dim_status(tag_of(b, note), &expression, text, &value, &status), 0);
    EXPECT_STREQ(text, "p1=4");
    EXPECT_EQ(value, 4.0);
    EXPECT_EQ(status, 2);

    // A dimension without drafting data: zero origin, no records, no blocks,
    // no sketch status.
    ASSERT_EQ(RQ_DRF_ask_origin(tag_of(b, bare), origin), 0);
    EXPECT_EQ(origin[0], 0.0);
    ASSERT_EQ(RQ_DRF_ask_associativity_data(tag_of(b, bare), &count, &records), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(records, nullptr);
    ASSERT_EQ(RQ_DRF_ask_draft_aid_text_info(tag_of(b, bare), &count, &blocks), 0);
    EXPECT_EQ(blocks, nullptr);
    status = -1;
    EXPECT_EQ(RQ_SKET_ask_dim_status(tag_of(b, bare), &expression, text, &value, &status),
              RQ_err_not_sketch_dimension);
    EXPECT_EQ(status, -1);

    // Objects of other types are no drafting objects.
    EXPECT_EQ(RQ_DRF_ask_origin(tag_of(b, body), origin), RQ_err_not_drafting);
    EXPECT_EQ(RQ_DRF_ask_associativity_data(tag_of(b, body), &count, &records),
              RQ_err_not_drafting);
}

TEST_F(DraftingTest, AssociativityFailsOnDemandForOneObject) {
    standin::PartBuilder b("faulty");
    auto first = b.add(RQ_dimension_type, 1);
    auto second = b.add(RQ_dimension_type, 1);
    b.doc()["faults"] = {
        {{"call", "RQ_DRF_ask_associativity_data"}, {"code", 11}, {"object", second}}};
    ASSERT_NE(b.open(path("faulty.prt")), NULL_TAG);
    int count = 0;
    RQ_DRF_assoc_data_t* records = nullptr;
    EXPECT_EQ(RQ_DRF_ask_associativity_data(tag_of(b, first), &count, &records), 0);
    EXPECT_EQ(RQ_DRF_ask_associativity_data(tag_of(b, second), &count, &records), 11);
}

TEST_F(DraftingTest, ViewDependencyFollowsTheSheetViews) {
    standin::PartBuilder b("views");
    auto before = b.add(RQ_point_type, 0);
    auto note = b.add(RQ_drafting_entity_type, 1);
    auto model = b.add(RQ_dimension_type, 1);
    auto sheet_view = b.add(RQ_view_type, 0, {{"name", "SHT1"}, {"view", {{"objects", {note}}}}});
    auto member = b.add(RQ_view_type, 0, {{"name", "FRONT@1"}, {"view", {{"objects", {model}}}}});
    auto sheet =
        b.add(RQ_drawing_type, 0,
              {{"name", "SHT1"}, {"sheet", {{"sheet_view", sheet_view}, {"views", {member}}}}});
    ASSERT_NE(b.open(path("views.prt")), NULL_TAG);

    int dependent = -1;
    char name[256] = "junk";
    ASSERT_EQ(uc6409(tag_of(b, note), &dependent, name), 0);
    EXPECT_EQ(dependent, 1);
    EXPECT_STREQ(name, "SHT1");
    // Objects before and after the listed ones are no view's.
    for (auto unlisted : {before, sheet}) {
        dependent = -1;
        ASSERT_EQ(uc6409(tag_of(b, unlisted), &dependent, name), 0);
        EXPECT_EQ(dependent, 0);
    }
    // Shown in a member view is not view dependent.
    ASSERT_EQ(uc6409(tag_of(b, model), &dependent, name), 0);
    EXPECT_EQ(dependent, 0);
    EXPECT_STREQ(name, "");

    // A change of the view's list is seen by the next question.
    standin::find_object(tag_of(b, sheet_view))->view->objects = {tag_of(b, model)};
    ASSERT_EQ(uc6409(tag_of(b, note), &dependent, name), 0);
    EXPECT_EQ(dependent, 0);
    ASSERT_EQ(uc6409(tag_of(b, model), &dependent, name), 0);
    EXPECT_STREQ(name, "SHT1");
}

// Deleting one sheet takes its own view-dependent objects along and leaves
// those of the other sheets dependent on their views.
TEST_F(DraftingTest, ViewDependencyOutlivesAnotherSheetsDeletion) {
    standin::PartBuilder b("two_sheets");
    std::vector<std::int64_t> notes, sheets;
    for (const char* name : {"SHT1", "SHT2"}) {
        auto note = b.add(RQ_drafting_entity_type, 1);
        auto view = b.add(RQ_view_type, 0, {{"name", name}, {"view", {{"objects", {note}}}}});
        sheets.push_back(
            b.add(RQ_drawing_type, 0, {{"name", name}, {"sheet", {{"sheet_view", view}}}}));
        notes.push_back(note);
    }
    ASSERT_NE(b.open(path("two_sheets.prt")), NULL_TAG);
    int dependent = -1;
    char name[256] = "";
    ASSERT_EQ(uc6409(tag_of(b, notes[0]), &dependent, name), 0);
    EXPECT_STREQ(name, "SHT1");

    ASSERT_EQ(RQ_DRAW_delete_drawing(tag_of(b, sheets[0])), 0);
    EXPECT_NE(uc6409(tag_of(b, notes[0]), &dependent, name), 0);  // deleted with its sheet
    ASSERT_EQ(uc6409(tag_of(b, notes[1]), &dependent, name), 0);
    EXPECT_EQ(dependent, 1);
    EXPECT_STREQ(name, "SHT2");
}

TEST_F(DraftingTest, DraftingDataSurvivesSaveAndLoad) {
    standin::PartBuilder b("round");
    auto point = b.add(RQ_point_type, 0);
    json drafting = json::object();
    drafting["origin"] = {1, 2, 3};
    drafting["associativity"] = json::array({json{{"first", point}}});
    drafting["text_blocks"] = json::array(
        {json{{"type", 1}, {"font", 2}, {"size", 3.5}, {"angle", 0}, {"lines", {"x"}}}});
    drafting["sketch"] = json{{"expression_text", "e"}, {"value", 1.0}, {"status", 0}};
    drafting["text"] = {"t"};
    drafting["cast_fails"] = true;
    json dimension = json::object();
    dimension["retained"] = true;
    dimension["before"] = {"\xB0"};
    dimension["below"] = {"b"};
    dimension["throwing_getter"] = "after";
    b.add(RQ_dimension_type, 6, {{"dimension", dimension}, {"drafting", drafting}});
    const std::string first = path("round.prt");
    b.write(first);
    tag_t part = NULL_TAG;
    ASSERT_EQ(standin::load_part_file(first, &part), 0);
    const std::string second = path("round2.prt");
    ASSERT_EQ(standin::save_part_file(part, second), 0);
    EXPECT_EQ(json::parse(read_file(second))["objects"][1],
              json::parse(read_file(first))["objects"][1]);
}

TEST_F(DraftingTest, MalformedDraftingDataLoadsNothing) {
    for (json bad : {json{{"origin", {1, 2}}}, json{{"text_blocks", {{{"lines", "x"}}}}},
                     json{{"associativity", {{{"first", 99}}}}}}) {
        standin::PartBuilder b("bad");
        b.add(RQ_drafting_entity_type, 1, {{"drafting", bad}});
        b.write(path("bad.prt"));
        tag_t part = NULL_TAG;
        EXPECT_NE(standin::load_part_file(path("bad.prt"), &part), 0) << bad.dump();
    }
    standin::PartBuilder b("bad_getter");
    b.add(RQ_dimension_type, 1, {{"dimension", {{"throwing_getter", "sideways"}}}});
    b.write(path("bad_getter.prt"));
    tag_t part = NULL_TAG;
    EXPECT_NE(standin::load_part_file(path("bad_getter.prt"), &part), 0);
}

// ---- object interface ---------------------------------------------------------
class AnnotationTest : public DraftingTest {
  protected:
    KavoOpen::TaggedObject* get(std::int64_t id) {
        return KavoOpen::KavoObjectManager::Get(tag_of(b_, id));
    }
    standin::PartBuilder b_{"annotations"};
};

TEST_F(AnnotationTest, ClassFollowsTypeAndSubtype) {
    auto note = b_.add(RQ_drafting_entity_type, 1);
    auto label = b_.add(RQ_drafting_entity_type, 2);
    auto other = b_.add(RQ_drafting_entity_type, 3);
    auto body = b_.add(RQ_solid_type, 0);
    auto broken = b_.add(RQ_drafting_entity_type, 1, {{"drafting", {{"cast_fails", true}}}});
    const std::map<int, std::string> classes = {{1, typeid(KA::HorizontalDimension).name()},
                                                {2, typeid(KA::VerticalDimension).name()},
                                                {3, typeid(KA::ParallelDimension).name()},
                                                {4, typeid(KA::CylindricalDimension).name()},
                                                {5, typeid(KA::PerpendicularDimension).name()},
                                                {6, typeid(KA::AngularDimension).name()},
                                                {7, typeid(KA::AngularDimension).name()},
                                                {8, typeid(KA::ArcLengthDimension).name()},
                                                {9, typeid(KA::RadiusDimension).name()},
                                                {10, typeid(KA::DiameterDimension).name()},
                                                {11, typeid(KA::HoleDimension).name()},
                                                {12, typeid(KA::Dimension).name()},
                                                {13, typeid(KA::OrdinateDimension).name()},
                                                {14, typeid(KA::OrdinateDimension).name()},
                                                {15, typeid(KA::Dimension).name()},
                                                {16, typeid(KA::FoldedRadiusDimension).name()},
                                                {17, typeid(KA::Dimension).name()}};
    std::map<int, std::int64_t> dims;
    for (const auto& [subtype, name] : classes) dims[subtype] = b_.add(RQ_dimension_type, subtype);
    ASSERT_NE(b_.open(path("a.prt")), NULL_TAG);

    EXPECT_NE(dynamic_cast<KA::SimpleDraftingAid*>(get(note)), nullptr);
    EXPECT_NE(dynamic_cast<KA::SimpleDraftingAid*>(get(label)), nullptr);
    EXPECT_EQ(dynamic_cast<KA::SimpleDraftingAid*>(get(other)), nullptr);
    EXPECT_NE(dynamic_cast<KA::Annotation*>(get(other)), nullptr);
    EXPECT_EQ(dynamic_cast<KA::Annotation*>(get(body)), nullptr);
    EXPECT_EQ(dynamic_cast<KA::SimpleDraftingAid*>(get(broken)), nullptr);
    for (const auto& [subtype, name] : classes) {
        KavoOpen::TaggedObject* object = get(dims[subtype]);
        EXPECT_EQ(typeid(*object).name(), name) << "subtype " << subtype;
        EXPECT_EQ(object->Tag(), tag_of(b_, dims[subtype]));
    }
    EXPECT_EQ(get(note), get(note));  // one wrapper per tag
    EXPECT_THROW(KavoOpen::KavoObjectManager::Get(0), KavoOpen::KavoException);
}

TEST_F(AnnotationTest, TextsAreEvaluatedAndExceptionsComeAsScripted) {
    b_.doc()["attributes"] = {{{"title", "NO"}, {"kind", "string"}, {"value", "A<1>"}},
                              {{"title", "N"}, {"kind", "integer"}, {"value", 7}}};
    b_.add(RQ_expression_type, 0,
           {{"expression", {{"name", "len"}, {"value_text", "a/2"}, {"value", 12.5}}}});
    auto note =
        b_.add(RQ_drafting_entity_type, 1,
               {{"drafting", {{"text", {"<X@len> mm", "<X@NO>/<X@N>", "<X@none> <X@len"}}}}});
    auto throwing = b_.add(RQ_drafting_entity_type, 2,
                           {{"drafting", {{"text", {"x"}}, {"text_throws", true}}}});
    auto dim =
        b_.add(RQ_dimension_type, 1,
               {{"dimension",
                 {{"before", {"B"}}, {"after", {"A1", "A2"}}, {"throwing_getter", "below"}}}});
    const tag_t part = b_.open(path("t.prt"));
    ASSERT_NE(part, NULL_TAG);

    KA::AnnotationManager* manager =
        KavoOpen::Session::GetSession()->Parts()->Work()->Annotations();
    auto* aid = dynamic_cast<KA::SimpleDraftingAid*>(get(note));
    ASSERT_NE(aid, nullptr);
    std::vector<std::string> evaluated;
    for (const KavoOpen::KavoString& line : aid->GetText())
        evaluated.push_back(
            manager->CreateAssociativeText()->GetEvaluatedText(aid, line).GetLocaleText());
    EXPECT_EQ(evaluated, (std::vector<std::string>{"12.5 mm", "A<1>/7", "<X@none> <X@len"}));

    auto* thrower = dynamic_cast<KA::SimpleDraftingAid*>(get(throwing));
    ASSERT_NE(thrower, nullptr);
    EXPECT_THROW(thrower->GetText(), std::runtime_error);

    auto* horizontal = dynamic_cast<KA::HorizontalDimension*>(get(dim));
    ASSERT_NE(horizontal, nullptr);
    KA::AppendedText* appended = horizontal->GetAppendedText();
    EXPECT_EQ(appended, horizontal->GetAppendedText());
    ASSERT_EQ(appended->GetAfterText().size(), 2u);
    EXPECT_STREQ(appended->GetBeforeText()[0].GetLocaleText(), "B");
    EXPECT_TRUE(appended->GetAboveText().empty());
    EXPECT_THROW(appended->GetBelowText(), KavoOpen::KavoException);

    // Once the object is deleted its texts are gone.
    ASSERT_EQ(RQ_OBJ_delete_object(tag_of(b_, note)), 0);
    EXPECT_THROW(aid->GetText(), KavoOpen::KavoException);
    EXPECT_THROW(KavoOpen::KavoObjectManager::Get(tag_of(b_, note)), KavoOpen::KavoException);
}

// Tags start again in a new session; what the host remembers of the last
// session's parts must not leak into the evaluation.
TEST_F(DraftingTest, EvaluationFollowsTheSessionsParts) {
    auto evaluate_in = [&](const char* expression) {
        standin::PartBuilder b(expression);
        b.add(RQ_expression_type, 0, {{"expression", {{"name", expression}, {"value", 4.0}}}});
        b.add(RQ_drafting_entity_type, 1);
        EXPECT_NE(b.open(path(std::string(expression) + ".prt")), NULL_TAG);
        auto* note = dynamic_cast<KA::Annotation*>(KavoOpen::KavoObjectManager::Get(tag_of(b, 2)));
        KA::AnnotationManager* manager =
            KavoOpen::Session::GetSession()->Parts()->Work()->Annotations();
        return std::string(manager->CreateAssociativeText()
                               ->GetEvaluatedText(note, "<X@a>|<X@b>")
                               .GetLocaleText());
    };
    EXPECT_EQ(evaluate_in("a"), "4|<X@b>");
    standin::reset_session();
    ASSERT_EQ(RQ_initialize(), 0);
    EXPECT_EQ(evaluate_in("b"), "<X@a>|4");
}

}  // namespace
