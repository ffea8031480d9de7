// Header data of a part: units, families, history, attributes and
// expressions, as the part header section reads them.
#include <rq/rq.h>

#include <string>
#include <vector>

#include "host_fixture.hpp"
#include "session/memory.hpp"

namespace {

using nlohmann::json;

class PartHeaderTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(RQ_initialize(), 0);
    }

    tag_t open_header_part() {
        standin::PartBuilder b("hdr");
        auto& d = b.doc();
        d["units"] = RQ_PART_ENGLISH;
        d["family_template"] = true;
        d["history"] = json::parse(R"([
          {"version": 1, "time": 1000, "program": "p1", "user": "u1", "machine": "m1"},
          {"version": 2, "time": 2000, "program": "p2", "user": "u2", "machine": "m2"},
          {"version": 3, "time": 3000, "program": "p3", "user": "u3", "machine": "m3"}])");
        d["attributes"] = json::parse(R"([
          {"title": "INT", "kind": "integer", "value": -7, "locked": true},
          {"title": "REAL", "kind": "real", "value": 2.5},
          {"title": "TIME", "kind": "time", "value": [20240101, 1200]},
          {"title": "NULL", "kind": "null"},
          {"title": "a<b", "kind": "string", "value": "text value", "locked": true},
          {"title": "BOOL", "kind": "boolean", "value": true}])");
        d["attributes"][4]["value"] = std::string(255, 'v');
        b.add(RQ_family_type, 0,
              {{"family", {{"name", "Bolts"}, {"member_count", 12}, {"attribute_count", 3}}}});
        b.add(RQ_family_type, 0,
              {{"family", {{"name", "Nuts"}, {"member_count", 0}, {"attribute_count", 1}}}});
        b.add(RQ_expression_type, 0,
              {{"expression", {{"name", "p1"}, {"value_text", "25"}, {"value", 25.0}}}});
        b.add(RQ_expression_type, 0,
              {{"expression",
                {{"name", "p2"}, {"value_text", "p1*2=x"}, {"value", 50.0}, {"no_edit", true}}}});
        component_id_ = b.add(RQ_component_type, 0, {{"attributes", json::parse(R"([
          {"title": "REFERENCE_COMPONENT", "kind": "string", "value": ""},
          {"title": "CALLOUT", "kind": "string", "value": "C-1"},
          {"title": "COUNT", "kind": "integer", "value": 4}])")}});
        tag_t part = b.open(path("hdr.json"));
        component_ = RQ_TAG_ask_tag_of_handle(b.handle(component_id_).c_str());
        return part;
    }

    std::int64_t component_id_ = 0;
    tag_t component_ = NULL_TAG;
};

TEST_F(PartHeaderTest, UnitsAndFamilies) {
    const tag_t part = open_header_part();
    ASSERT_NE(part, NULL_TAG);
    int units = 0;
    EXPECT_EQ(RQ_PART_ask_units(part, &units), 0);
    EXPECT_EQ(units, RQ_PART_ENGLISH);
    units = 0;
    EXPECT_EQ(RQ_PART_ask_units(999999, &units), RQ_err_bad_tag);
    EXPECT_EQ(units, 0);

    logical flag = 0;
    EXPECT_EQ(RQ_PART_is_family_template(part, &flag), 0);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(RQ_PART_is_family_instance(part, &flag), 0);
    EXPECT_EQ(flag, 0);

    const std::size_t blocks = standin::host_blocks_in_use();
    int count = 0;
    tag_t* families = nullptr;
    ASSERT_EQ(RQ_PART_ask_families(part, &count, &families), 0);
    ASSERT_EQ(count, 2);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        RQ_FAM_data_t data{};
        ASSERT_EQ(RQ_FAM_ask_family_data(families[i], &data), 0);
        names.push_back(std::string(data.name) + ":" + std::to_string(data.member_count) + ":" +
                        std::to_string(data.attribute_count));
        EXPECT_EQ(RQ_FAM_free_family_data(&data), 0);
        EXPECT_EQ(data.name, nullptr);
    }
    RQ_free(families);
    EXPECT_EQ(names, (std::vector<std::string>{"Bolts:12:3", "Nuts:0:1"}));
    EXPECT_EQ(standin::host_blocks_in_use(), blocks);
}

TEST_F(PartHeaderTest, TemplateWithoutFamiliesGivesNoArray) {
    standin::PartBuilder b("plain");
    b.doc()["family_instance"] = true;
    const tag_t part = b.open(path("plain.json"));
    logical flag = 1;
    EXPECT_EQ(RQ_PART_is_family_template(part, &flag), 0);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(RQ_PART_is_family_instance(part, &flag), 0);
    EXPECT_EQ(flag, 1);
    int count = -1;
    tag_t* families = reinterpret_cast<tag_t*>(0x1);
    EXPECT_EQ(RQ_PART_ask_families(part, &count, &families), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(families, nullptr);
}

TEST_F(PartHeaderTest, HistoryListsKeepTheStoredOrder) {
    const tag_t part = open_header_part();
    RQ_PART_history_list_t list = nullptr;
    ASSERT_EQ(RQ_PART_create_history_list(&list), 0);
    ASSERT_EQ(RQ_PART_clear_history_list(list), 0);
    ASSERT_EQ(RQ_PART_ask_part_history(part, list), 0);
    int count = 0;
    ASSERT_EQ(RQ_PART_ask_num_histories(list, &count), 0);
    ASSERT_EQ(count, 3);
    for (int i = 0; i < count; ++i) {
        char *program = nullptr, *user = nullptr, *machine = nullptr;
        int version = 0, time = 0;
        ASSERT_EQ(RQ_PART_ask_nth_history(list, i, &program, &user, &machine, &version, &time), 0);
        const std::string n = std::to_string(i + 1);
        EXPECT_EQ(std::string(program) + user + machine, "p" + n + "u" + n + "m" + n);
        EXPECT_EQ(version, i + 1);
        EXPECT_EQ(time, (i + 1) * 1000);
        RQ_free(program);
        RQ_free(user);
        RQ_free(machine);
    }
    char *a = nullptr, *b = nullptr, *c = nullptr;
    int v = 0, t = 0;
    EXPECT_EQ(RQ_PART_ask_nth_history(list, 3, &a, &b, &c, &v, &t), RQ_err_bad_argument);
    EXPECT_EQ(RQ_PART_ask_nth_history(list, -1, &a, &b, &c, &v, &t), RQ_err_bad_argument);
    EXPECT_EQ(a, nullptr);

    // Clearing empties the list; a foreign list pointer is refused.
    ASSERT_EQ(RQ_PART_clear_history_list(list), 0);
    ASSERT_EQ(RQ_PART_ask_num_histories(list, &count), 0);
    EXPECT_EQ(count, 0);
    int dummy = 0;
    auto* foreign = reinterpret_cast<RQ_PART_history_list_t>(&dummy);
    count = 5;
    EXPECT_EQ(RQ_PART_ask_num_histories(foreign, &count), RQ_err_bad_argument);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(RQ_PART_ask_part_history(part, foreign), RQ_err_bad_argument);
}

TEST_F(PartHeaderTest, NeverSavedPartHasNoHistory) {
    const tag_t part = standin::PartBuilder("new").open(path("new.json"));
    RQ_PART_history_list_t list = nullptr;
    ASSERT_EQ(RQ_PART_create_history_list(&list), 0);
    ASSERT_EQ(RQ_PART_ask_part_history(part, list), 0);
    int count = -1;
    ASSERT_EQ(RQ_PART_ask_num_histories(list, &count), 0);
    EXPECT_EQ(count, 0);
}

TEST_F(PartHeaderTest, AttributeCycleGivesEveryKindAndEndsAtZero) {
    const tag_t part = open_header_part();
    int count = 0;
    ASSERT_EQ(RQ_ATTR_count_attributes(part, RQ_ATTR_any, &count), 0);
    EXPECT_EQ(count, 6);
    ASSERT_EQ(RQ_ATTR_count_attributes(part, RQ_ATTR_string, &count), 0);
    EXPECT_EQ(count, 1);

    tag_t holder = NULL_TAG;
    ASSERT_EQ(RQ_ATTR_ask_part_attribute(&holder), 0);
    int type = 0, subtype = 0;
    ASSERT_EQ(RQ_OBJ_ask_type_and_subtype(holder, &type, &subtype), 0);
    EXPECT_EQ(type, RQ_part_attribute_type);
    tag_t again = NULL_TAG;
    ASSERT_EQ(RQ_ATTR_ask_part_attribute(&again), 0);
    EXPECT_EQ(again, holder);

    std::vector<std::string> seen;
    int index = 0;
    for (int step = 0; step < 10; ++step) {
        char title[256] = "";
        RQ_ATTR_value_t value{};
        ASSERT_EQ(RQ_ATTR_cycle(part, &index, RQ_ATTR_any, title, &value), 0);
        if (index == 0) break;
        logical locked = 9;
        ASSERT_EQ(RQ_ATTR_ask_locked(holder, title, &locked), 0);
        std::string text = std::string(title) + ":" + std::to_string(value.type) + ":" +
                           std::to_string(locked) + ":";
        switch (value.type) {
            case RQ_ATTR_integer:
                text += std::to_string(value.value.integer);
                break;
            case RQ_ATTR_real:
                text += std::to_string(value.value.real);
                break;
            case RQ_ATTR_time:
                text +=
                    std::to_string(value.value.time[0]) + " " + std::to_string(value.value.time[1]);
                break;
            case RQ_ATTR_string:
                text += std::to_string(std::string(value.value.string).size());
                break;
            case RQ_ATTR_boolean:
                text += std::to_string(value.value.byte);
                break;
            default:
                break;
        }
        seen.push_back(text);
    }
    EXPECT_EQ(seen,
              (std::vector<std::string>{"INT:1:1:-7", "REAL:2:0:2.500000", "TIME:3:0:20240101 1200",
                                        "NULL:4:0:", "a<b:5:1:255", "BOOL:8:0:1"}));
    EXPECT_EQ(index, 0);

    // Only strings when asked for strings; the value outlives the call.
    index = 0;
    char title[256] = "";
    RQ_ATTR_value_t value{};
    ASSERT_EQ(RQ_ATTR_cycle(part, &index, RQ_ATTR_string, title, &value), 0);
    EXPECT_STREQ(title, "a<b");
    EXPECT_EQ(index, 5);
    const char* kept = value.value.string;
    ASSERT_EQ(RQ_ATTR_cycle(part, &index, RQ_ATTR_string, title, &value), 0);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(std::string(kept), std::string(255, 'v'));

    logical locked = 7;
    EXPECT_EQ(RQ_ATTR_ask_locked(holder, "MISSING", &locked), RQ_err_attribute_missing);
    EXPECT_EQ(locked, 0);
    EXPECT_EQ(RQ_ATTR_ask_locked(part, "INT", &locked), RQ_err_bad_tag);
}

TEST_F(PartHeaderTest, PartAttributeObjectNeedsAWorkPart) {
    tag_t holder = 55;
    EXPECT_EQ(RQ_ATTR_ask_part_attribute(&holder), RQ_err_no_work_part);
    EXPECT_EQ(holder, NULL_TAG);
    const tag_t part = standin::PartBuilder("empty").open(path("empty.json"));
    int count = -1;
    ASSERT_EQ(RQ_ATTR_count_attributes(part, RQ_ATTR_any, &count), 0);
    EXPECT_EQ(count, 0);
    int index = 0;
    char title[256] = "untouched";
    RQ_ATTR_value_t value{};
    ASSERT_EQ(RQ_ATTR_cycle(part, &index, RQ_ATTR_any, title, &value), 0);
    EXPECT_EQ(index, 0);
    EXPECT_STREQ(title, "untouched");
}

TEST_F(PartHeaderTest, ComponentAttributesFindAndRead) {
    open_header_part();
    ASSERT_NE(component_, NULL_TAG);
    int found = -1;
    ASSERT_EQ(RQ_ATTR_find_attribute(component_, RQ_ATTR_any, "REFERENCE_COMPONENT", &found), 0);
    EXPECT_EQ(found, RQ_ATTR_string);
    ASSERT_EQ(RQ_ATTR_find_attribute(component_, RQ_ATTR_any, "VREL GEOMETRY", &found), 0);
    EXPECT_EQ(found, 0);
    ASSERT_EQ(RQ_ATTR_find_attribute(component_, RQ_ATTR_string, "COUNT", &found), 0);
    EXPECT_EQ(found, 0);

    char buffer[256] = "old";
    RQ_ATTR_value_t value{};
    value.type = RQ_ATTR_string;
    value.value.string = buffer;
    ASSERT_EQ(RQ_ATTR_read_value(component_, "CALLOUT", RQ_ATTR_string, &value), 0);
    EXPECT_STREQ(buffer, "C-1");
    ASSERT_EQ(RQ_ATTR_read_value(component_, "REFERENCE_COMPONENT", RQ_ATTR_string, &value), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(RQ_ATTR_read_value(component_, "VREL GEOMETRY", RQ_ATTR_string, &value),
              RQ_err_attribute_missing);
    EXPECT_EQ(RQ_ATTR_read_value(component_, "COUNT", RQ_ATTR_string, &value),
              RQ_err_attribute_missing);
    EXPECT_EQ(value.value.string, buffer);

    RQ_ATTR_value_t number{};
    ASSERT_EQ(RQ_ATTR_read_value(component_, "COUNT", RQ_ATTR_integer, &number), 0);
    EXPECT_EQ(number.type, RQ_ATTR_integer);
    EXPECT_EQ(number.value.integer, 4);

    standin::set_fault("RQ_ATTR_read_value", 4321);
    EXPECT_EQ(RQ_ATTR_read_value(component_, "CALLOUT", RQ_ATTR_string, &value), 4321);
}

TEST_F(PartHeaderTest, LongStringValueFitsTheCallerBuffer) {
    const tag_t part = open_header_part();
    struct {
        char buffer[256];
        char guard[8];
    } area;
    std::fill(std::begin(area.guard), std::end(area.guard), 'G');
    RQ_ATTR_value_t value{};
    value.type = RQ_ATTR_string;
    value.value.string = area.buffer;
    ASSERT_EQ(RQ_ATTR_read_value(part, "a<b", RQ_ATTR_string, &value), 0);
    EXPECT_EQ(std::string(area.buffer), std::string(255, 'v'));
    EXPECT_EQ(std::string(area.guard, 8), "GGGGGGGG");
}

TEST_F(PartHeaderTest, ExpressionsGiveNameValueTexts) {
    const tag_t part = open_header_part();
    int count = 0;
    tag_t* exps = nullptr;
    ASSERT_EQ(RQ_MODL_ask_exps_of_part(part, &count, &exps), 0);
    ASSERT_EQ(count, 2);
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) {
        char* text = nullptr;
        ASSERT_EQ(RQ_MODL_ask_exp_tag_string(exps[i], &text), 0);
        double value = 0;
        ASSERT_EQ(RQ_MODL_ask_exp_tag_value(exps[i], &value), 0);
        texts.push_back(std::string(text) + " " + std::to_string(value));
        RQ_free(text);
    }
    RQ_free(exps);
    EXPECT_EQ(texts, (std::vector<std::string>{"p1=25 25.000000", "p2=p1*2=x 50.000000"}));

    const std::size_t blocks = standin::host_blocks_in_use();
    const tag_t empty = standin::PartBuilder("noexp").open(path("noexp.json"));
    ASSERT_EQ(RQ_MODL_ask_exps_of_part(empty, &count, &exps), 0);
    EXPECT_EQ(count, 0);
    EXPECT_NE(exps, nullptr);
    RQ_free(exps);
    EXPECT_EQ(standin::host_blocks_in_use(), blocks);
}

}  // namespace
