// Drawing sheets, views, patterns and retained dimensions as the part file
// gives them, the view update with the sheet's out-of-date flag, and the
// feature update, rollback/replay and structure refresh.
#include <rq/rq.h>

#include <string>
#include <vector>

#include "host_fixture.hpp"
#include "parts/part_file.hpp"
#include "parts/store.hpp"

namespace {

using nlohmann::json;
using standin::PartBuilder;

class DrawingsTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(RQ_initialize(), 0);
    }

    // A sheet "S1" with views V1 (out of date) and V2, and a sheet view that
    // holds a pattern, a retained and a plain dimension, and a note.
    PartBuilder sample() {
        PartBuilder b("drw");
        point = b.add(RQ_point_type, 0, {{"point", {{"xyz", {1.5, 2.5, 3.5}}}}});
        pattern = b.add(RQ_pattern_type, 0,
                        {{"name", "PAT"},
                         {"layer", 7},
                         {"pattern",
                          {{"file_name", "/p/pat.prt"},
                           {"retrieval_error", 4},
                           {"matrix", {0, 1, 0, -1, 0, 0, 0, 0, 1}},
                           {"origin", {5, 6, 7}},
                           {"scale", 2.5},
                           {"origin_display", 1},
                           {"maxmin_display", 2},
                           {"control_point_display", 3}}}});
        retained = b.add(RQ_dimension_type, 1, {{"dimension", {{"retained", true}}}});
        plain = b.add(RQ_dimension_type, 2);
        note = b.add(RQ_drafting_entity_type, 1);
        sheet_view =
            b.add(RQ_view_type, 0, {{"view", {{"objects", {pattern, retained, plain, note}}}}});
        v1 = b.add(RQ_view_type, 0,
                   {{"name", "V1"},
                    {"view",
                     {{"out_of_date", true},
                      {"reference_point", {10, 20}},
                      {"anchor", point},
                      {"scale", 0.5},
                      {"angle", 45},
                      {"borders", {1, 2, 3, 4}},
                      {"view_type", 1},
                      {"view_subtype", 6},
                      {"notes", {note}},
                      {"model_part", "model \xB0"},
                      {"objects", {retained}}}}});
        v2 = b.add(RQ_view_type, 0, {{"name", "V2"}, {"view", json::object()}});
        sheet = b.add(
            RQ_drawing_type, 0,
            {{"name", "S1"},
             {"sheet", {{"sheet_view", sheet_view}, {"views", {v1, v2}}, {"out_of_date", true}}}});
        return b;
    }
    tag_t open(const PartBuilder& b) {
        tag_t part = b.open(path("drw.prt"));
        EXPECT_NE(part, NULL_TAG);
        return part;
    }
    static tag_t tag_of(const PartBuilder& b, std::int64_t id) {
        return RQ_TAG_ask_tag_of_handle(b.handle(id).c_str());
    }
    static std::vector<tag_t> cycle(tag_t view) {
        std::vector<tag_t> out;
        tag_t t = NULL_TAG;
        while (RQ_VIEW_cycle_objects(view, 2, &t) == 0 && t != NULL_TAG) out.push_back(t);
        return out;
    }
    static bool out_of_date(tag_t object) {
        logical flag = 9;
        EXPECT_EQ(RQ_DRAW_is_object_out_of_date(object, &flag), 0);
        return flag != 0;
    }

    std::int64_t point = 0, pattern = 0, retained = 0, plain = 0, note = 0, sheet_view = 0, v1 = 0,
                 v2 = 0, sheet = 0;
};

TEST_F(DrawingsTest, SheetViewsAndViewDependentObjects) {
    PartBuilder b = sample();
    open(b);
    tag_t shown = NULL_TAG;
    ASSERT_EQ(RQ_DRAW_ask_view_of_drawing(tag_of(b, sheet), &shown), 0);
    EXPECT_EQ(shown, tag_of(b, sheet_view));
    EXPECT_EQ(cycle(shown), (std::vector<tag_t>{tag_of(b, pattern), tag_of(b, retained),
                                                tag_of(b, plain), tag_of(b, note)}));
    // A deleted object drops out of the cycle; the others keep their order.
    ASSERT_EQ(RQ_OBJ_delete_object(tag_of(b, plain)), 0);
    EXPECT_EQ(cycle(shown).size(), 3u);
    tag_t t = NULL_TAG;
    EXPECT_EQ(RQ_VIEW_cycle_objects(shown, 1, &t), RQ_err_bad_argument);
    EXPECT_EQ(RQ_VIEW_cycle_objects(tag_of(b, note), 2, &t), RQ_err_bad_tag);

    int count = 0;
    tag_t* views = nullptr;
    ASSERT_EQ(RQ_DRAW_ask_views(tag_of(b, sheet), &count, &views), 0);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(views[0], tag_of(b, v1));
    EXPECT_EQ(views[1], tag_of(b, v2));
    RQ_free(views);

    logical flag = 9;
    ASSERT_EQ(RQ_DRF_is_annotation_retained(tag_of(b, retained), &flag), 0);
    EXPECT_EQ(flag, 1);
    ASSERT_EQ(RQ_DRF_is_annotation_retained(tag_of(b, note), &flag), 0);
    EXPECT_EQ(flag, 0);
}

// Deleting the sheet deletes what depends on its views; the model objects a
// member view shows and its anchor point stay.
TEST_F(DrawingsTest, DeletingASheetDeletesItsDependents) {
    PartBuilder b = sample();
    const std::int64_t imported =
        b.add(RQ_line_type, 0,
              {{"line", {{"start", {0, 0, 0}}, {"end", {1, 0, 0}}}}, {"dependent_view", v1}});
    open(b);
    ASSERT_EQ(RQ_DRAW_delete_drawing(tag_of(b, sheet)), 0);
    for (std::int64_t id : {pattern, retained, plain, note, imported, sheet_view, v1, v2, sheet})
        EXPECT_EQ(RQ_OBJ_ask_status(tag_of(b, id)), RQ_OBJ_DELETED) << id;
    EXPECT_EQ(RQ_OBJ_ask_status(tag_of(b, point)), RQ_OBJ_ALIVE);
}

// Dependents made or let go after the first deletion are seen by the next.
TEST_F(DrawingsTest, DeletingSheetsInTurnFollowsTheirDependents) {
    PartBuilder b = sample();
    const std::int64_t s2_view = b.add(RQ_view_type, 0, {{"name", "W"}});
    const std::int64_t s2 =
        b.add(RQ_drawing_type, 0, {{"name", "S2"}, {"sheet", {{"views", {s2_view}}}}});
    const json line = {{"start", {0, 0, 0}}, {"end", {1, 0, 0}}};
    const std::int64_t stored =
        b.add(RQ_line_type, 0, {{"line", line}, {"dependent_view", s2_view}});
    const std::int64_t let_go =
        b.add(RQ_line_type, 0, {{"line", line}, {"dependent_view", s2_view}});
    standin::Part* part = standin::find_part(open(b));
    ASSERT_NE(part, nullptr);
    ASSERT_EQ(RQ_DRAW_delete_drawing(tag_of(b, sheet)), 0);

    standin::Object& added = standin::add_object(*part, RQ_line_type, 0);  // as an import adds
    added.dependent_view = tag_of(b, s2_view);
    standin::find_object(tag_of(b, let_go))->dependent_view = NULL_TAG;  // made a model object
    ASSERT_EQ(RQ_DRAW_delete_drawing(tag_of(b, s2)), 0);
    EXPECT_EQ(RQ_OBJ_ask_status(tag_of(b, stored)), RQ_OBJ_DELETED);
    EXPECT_EQ(RQ_OBJ_ask_status(added.tag), RQ_OBJ_DELETED);
    EXPECT_EQ(RQ_OBJ_ask_status(tag_of(b, let_go)), RQ_OBJ_ALIVE);
}

TEST_F(DrawingsTest, PatternAndViewData) {
    PartBuilder b = sample();
    open(b);
    char name[385] = "x", file[3469] = "x";
    int unused = -1, layer = 0, error = 0;
    double data[13] = {};
    ASSERT_EQ(uc5822(tag_of(b, pattern), name, file, &unused, &layer, &error, data), 0);
    EXPECT_STREQ(name, "PAT");  // the object's name when the pattern names none
    EXPECT_STREQ(file, "/p/pat.prt");
    EXPECT_EQ(layer, 7);
    EXPECT_EQ(error, 4);
    EXPECT_EQ(data[1], 1);
    EXPECT_EQ(data[3], -1);
    EXPECT_EQ(data[11], 7);
    EXPECT_EQ(data[12], 2.5);
    int o = 0, m = 0, c = 0;
    ASSERT_EQ(RQ_PATT_ask_params(tag_of(b, pattern), &o, &m, &c), 0);
    EXPECT_EQ(o * 100 + m * 10 + c, 123);

    const tag_t view = tag_of(b, v1);
    double ref[2] = {}, xyz[3] = {}, borders[4] = {}, scale = 0, angle = 0;
    tag_t anchor = NULL_TAG;
    ASSERT_EQ(RQ_DRAW_ask_drawing_ref_pt(view, ref), 0);
    EXPECT_EQ(ref[1], 20);
    ASSERT_EQ(RQ_DRAW_ask_view_anchor(view, &anchor), 0);
    ASSERT_EQ(RQ_CURVE_ask_point_data(anchor, xyz), 0);
    EXPECT_EQ(xyz[2], 3.5);
    ASSERT_EQ(RQ_DRAW_ask_view_parm_scale(view, &unused, &scale), 0);
    EXPECT_EQ(scale, 0.5);
    ASSERT_EQ(RQ_DRAW_ask_view_angle(view, &angle), 0);
    EXPECT_EQ(angle, 45);
    ASSERT_EQ(RQ_DRAW_ask_view_borders(view, borders), 0);
    EXPECT_EQ(borders[3], 4);
    int type = 0, subtype = 0, notes_n = 0;
    ASSERT_EQ(RQ_VIEW_ask_type(view, &type, &subtype), 0);
    EXPECT_EQ(subtype, 6);
    tag_t* notes = nullptr;
    ASSERT_EQ(RQ_DRAW_ask_view_notes(view, &notes_n, &notes), 0);
    ASSERT_EQ(notes_n, 1);
    EXPECT_EQ(notes[0], tag_of(b, note));
    RQ_free(notes);
    char model[3469] = "";
    ASSERT_EQ(RQ_DRAW_get_view_model_view_part(view, model), 0);
    EXPECT_STREQ(model, "model \xB0");  // a session text

    anchor = 99;
    ASSERT_EQ(RQ_DRAW_ask_view_anchor(tag_of(b, v2), &anchor), 0);
    EXPECT_EQ(anchor, NULL_TAG);
    ASSERT_EQ(RQ_DRAW_ask_view_notes(tag_of(b, v2), &notes_n, &notes), 0);
    EXPECT_EQ(notes_n, 0);
}

TEST_F(DrawingsTest, ViewsTextOfASheetByName) {
    PartBuilder b = sample();
    b.add(RQ_drawing_type, 0,
          {{"name", "LONG"}, {"sheet", {{"views_text", std::string(450, 'v')}}}});
    b.add(RQ_drawing_type, 0, {{"name", "BARE"}});  // no drawing data at all
    open(b);
    char text[400];
    ASSERT_EQ(uc6499("S1", text), 0);
    EXPECT_STREQ(text, "V1,V2");
    ASSERT_EQ(uc6499("LONG", text), 0);
    EXPECT_EQ(std::string(text), std::string(399, 'v'));
    ASSERT_EQ(uc6499("BARE", text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(uc6499("s1", text), RQ_err_not_found);
    EXPECT_STREQ(text, "");
}

TEST_F(DrawingsTest, ViewUpdateClearsFlagsUnlessTheSheetStaysOutOfDate) {
    PartBuilder b = sample();
    b.object(v2)["view"]["out_of_date"] = true;
    open(b);
    const tag_t s = tag_of(b, sheet);
    ASSERT_EQ(RQ_DRAW_update_one_view(s, tag_of(b, v1)), 0);
    EXPECT_FALSE(out_of_date(tag_of(b, v1)));
    EXPECT_TRUE(out_of_date(s));  // V2 is still out of date
    ASSERT_EQ(RQ_DRAW_update_one_view(s, tag_of(b, v2)), 0);
    EXPECT_FALSE(out_of_date(s));
    // A view of another sheet, and an object that is no sheet.
    EXPECT_EQ(RQ_DRAW_update_one_view(tag_of(b, note), tag_of(b, v1)), RQ_err_bad_argument);
    EXPECT_EQ(RQ_DRAW_update_one_view(s, tag_of(b, note)), RQ_err_bad_tag);
}

TEST_F(DrawingsTest, FailingViewAndStayingSheet) {
    PartBuilder b = sample();
    b.object(v1)["view"]["update_code"] = RQ_err_view_update;
    b.object(sheet)["sheet"]["stays_out_of_date"] = true;
    open(b);
    const tag_t s = tag_of(b, sheet);
    EXPECT_EQ(RQ_DRAW_update_one_view(s, tag_of(b, v1)), RQ_err_view_update);
    EXPECT_TRUE(out_of_date(tag_of(b, v1)));
    b.object(v1)["view"]["update_code"] = 0;
    standin::reset_session();
    ASSERT_EQ(RQ_initialize(), 0);
    open(b);
    ASSERT_EQ(RQ_DRAW_update_one_view(tag_of(b, sheet), tag_of(b, v1)), 0);
    EXPECT_FALSE(out_of_date(tag_of(b, v1)));
    EXPECT_TRUE(out_of_date(tag_of(b, sheet)));
    // A scripted fault wins over the view's own code.
    standin::set_fault("RQ_DRAW_update_one_view", 77, b.handle(v2), 1);
    EXPECT_EQ(RQ_DRAW_update_one_view(tag_of(b, sheet), tag_of(b, v2)), 77);
    EXPECT_EQ(RQ_DRAW_update_one_view(tag_of(b, sheet), tag_of(b, v2)), 0);
}

TEST_F(DrawingsTest, DrawingDataSurvivesASave) {
    PartBuilder b = sample();
    b.object(sheet)["sheet"]["stays_out_of_date"] = true;
    b.object(sheet)["sheet"]["views_text"] = "A\xB0";
    const tag_t part = open(b);
    const std::string first = standin::part_file_text(*standin::find_part(part));
    ASSERT_EQ(standin::save_part_file(part, path("copy.prt")), 0);
    standin::reset_session();
    ASSERT_EQ(RQ_initialize(), 0);
    tag_t again = NULL_TAG;
    ASSERT_EQ(standin::load_part_file(path("copy.prt"), &again), 0) << standin::last_load_error();
    EXPECT_EQ(standin::part_file_text(*standin::find_part(again)), first);
    EXPECT_NE(first.find("\"stays_out_of_date\":true"), std::string::npos);
    EXPECT_NE(first.find("\"retained\":true"), std::string::npos);
}

TEST_F(DrawingsTest, MalformedDrawingDataIsRefused) {
    for (json bad :
         {json{{"sheet", {{"views", {999}}}}}, json{{"view", {{"borders", {1, 2}}}}},
          json{{"pattern", {{"scale", "big"}}}}, json{{"dimension", {{"retained", "y"}}}}}) {
        PartBuilder b("bad");
        b.add(RQ_drawing_type, 0, bad);
        b.write(path("bad.prt"));
        tag_t part = NULL_TAG;
        EXPECT_EQ(standin::load_part_file(path("bad.prt"), &part), RQ_err_file_corrupt) << bad;
    }
}

// ---- features and structure ----------------------------------------------------
class UpdatesTest : public DrawingsTest {
  protected:
    PartBuilder features(json f1, json f2, json f3) {
        for (json* f : {&f1, &f2, &f3}) {
            if (f->is_null()) *f = json::object();
        }
        PartBuilder b("feat");
        ids[0] = b.add(RQ_feature_type, 0, {{"name", "F1"}, {"feature", f1}});
        ids[1] = b.add(RQ_feature_type, 0, {{"name", "F2"}, {"feature", f2}});
        ids[2] = b.add(RQ_feature_type, 0, {{"name", "F3"}, {"feature", f3}});
        return b;
    }
    std::int64_t ids[3] = {};
};

TEST_F(UpdatesTest, UpdateGivesTheFirstFailingCode) {
    PartBuilder b = features({}, {{"update_code", 11}}, {{"update_code", 12}});
    open(b);
    ASSERT_EQ(RQ_MODL_set_update_fail_option(0), 0);
    EXPECT_EQ(RQ_MODL_update_all_features(), 11);
    EXPECT_EQ(RQ_OBJ_ask_status(tag_of(b, ids[1])), RQ_OBJ_ALIVE);
    // Option 5 marks every failing feature condemned and goes on.
    ASSERT_EQ(RQ_MODL_set_update_fail_option(5), 0);
    EXPECT_EQ(RQ_MODL_update_all_features(), 11);
    EXPECT_EQ(RQ_OBJ_ask_status(tag_of(b, ids[1])), RQ_OBJ_CONDEMNED);
    EXPECT_EQ(RQ_OBJ_ask_status(tag_of(b, ids[2])), RQ_OBJ_CONDEMNED);
    EXPECT_EQ(RQ_OBJ_ask_status(tag_of(b, ids[0])), RQ_OBJ_ALIVE);
    EXPECT_EQ(RQ_MODL_set_update_fail_option(-1), RQ_err_bad_argument);
}

TEST_F(UpdatesTest, RollbackAndReplay) {
    PartBuilder b = features({}, {}, {});
    b.doc()["current_feature"] = ids[2];
    const tag_t part = open(b);
    tag_t current = NULL_TAG;
    ASSERT_EQ(RQ_MODL_ask_current_feature(part, &current), 0);
    EXPECT_EQ(current, tag_of(b, ids[2]));
    EXPECT_EQ(RQ_MODL_set_current_feature(tag_of(b, ids[0])), 0);
    ASSERT_EQ(RQ_MODL_ask_current_feature(part, &current), 0);
    EXPECT_EQ(current, tag_of(b, ids[0]));
    EXPECT_EQ(RQ_MODL_set_current_feature(tag_of(b, ids[2])), 0);
    ASSERT_EQ(RQ_MODL_ask_current_feature(part, &current), 0);
    EXPECT_EQ(current, tag_of(b, ids[2]));
    EXPECT_EQ(RQ_MODL_ask_current_feature(NULL_TAG, &current), RQ_err_bad_tag);
}

TEST_F(UpdatesTest, ReplayStopsBeforeAFailingFeature) {
    PartBuilder b = features({}, {{"replay_code", 21}}, {});
    b.doc()["current_feature"] = ids[2];
    const tag_t part = open(b);
    ASSERT_EQ(RQ_MODL_set_current_feature(tag_of(b, ids[0])), 0);  // rollback never fails
    EXPECT_EQ(RQ_MODL_set_current_feature(tag_of(b, ids[2])), 21);
    tag_t current = NULL_TAG;
    ASSERT_EQ(RQ_MODL_ask_current_feature(part, &current), 0);
    EXPECT_EQ(current, tag_of(b, ids[0]));
    EXPECT_TRUE(standin::find_part(part)->modified);
}

TEST_F(UpdatesTest, PartWithoutCurrentFeatureAndStructureRefresh) {
    PartBuilder b = features({}, {}, {});
    const tag_t part = open(b);
    tag_t current = 5;
    ASSERT_EQ(RQ_MODL_ask_current_feature(part, &current), 0);
    EXPECT_EQ(current, NULL_TAG);
    EXPECT_EQ(RQ_FLTR_update_structure(part), 0);
    EXPECT_EQ(RQ_FLTR_update_structure(NULL_TAG), RQ_err_bad_tag);
    standin::set_fault("RQ_FLTR_update_structure", RQ_err_structure, path("drw.prt"));
    EXPECT_EQ(RQ_FLTR_update_structure(part), RQ_err_structure);
    EXPECT_FALSE(standin::find_part(part)->modified);
}

}  // namespace
