// Callback actions: deleting the work part's user attributes of every type
// (and refusing locked and unknown ones), and the legacy line-width map from
// the three host variables.
#include "utils/callback_actions.hpp"

#include <rq/rq.h>
#include <kavoopen/kavoopen.hpp>
#include <standin/testing.hpp>

#include "common/text_buffer.hpp"
#include "support/test_support.hpp"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

const std::string kLabel =
    "V3-001 (Kavo CR2212)"
#ifdef KAVOTALVEX_PLUGIN
    " (intern)"
#endif
    ;

std::string trace(int line, const std::string& text) {
    return "\n[" + std::to_string(line) + "] " + kLabel + " " + text;
}

class CallbackActionsTest : public kvtx_test::GlobalStateTest {
  protected:
    void SetUp() override {
        GlobalStateTest::SetUp();
        set_trace_release_label();
        folder_ = kvtx_test::fresh_folder("callback_actions");
    }
    void open_with_attributes(const json& attributes) {
        standin::PartBuilder part("CBA");
        part.doc()["attributes"] = attributes;
        part_ = part.open(folder_ + "/cba.prt");
        ASSERT_NE(part_, NULL_TAG);
        standin::clear_records();
    }
    bool has_attribute(const char* title) {
        int type = 0;
        RQ_ATTR_find_attribute(part_, RQ_ATTR_any, title, &type);
        return type != 0;
    }
    std::vector<std::string> syslog() { return standin::syslog_entries(); }

    std::string folder_;
    tag_t part_ = NULL_TAG;
};

std::vector<std::string> delete_start(const std::string& title, tag_t part) {
    return {trace(1252, "Start of Delete_Part_Attribute  title = " + title),
            trace(1256, "theWorkPart=" + std::to_string(part))};
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct TypeCase {
    json attribute;
    int type;
    std::vector<std::string> delete_traces;  // after the AttInfo line
};

TEST_F(CallbackActionsTest, DeletesAnAttributeOfEveryTypeWithItsTrace) {
    const std::vector<TypeCase> cases = {
        {{{"kind", "string"}, {"value", "50%d %s"}},
         5,
         {trace(1268, "AttInfo T 5 50%d %s"), trace(1269, "Delete T")}},
        {{{"kind", "real"}, {"value", 2.5}},
         4,
         {trace(1275, "Delete AttributeTypeReal T 2.500000")}},
        {{{"kind", "integer"}, {"value", -7}},
         3,
         {trace(1281, "Delete AttributeTypeInteger T -7")}},
        {{{"kind", "boolean"}, {"value", true}},
         2,
         {trace(1287, "Delete AttributeTypeBoolean T 1")}},
        {{{"kind", "time"}, {"value", {20240102, 1200}}, {"time_text", "02-Jan-2024 12:00"}},
         6,
         {trace(1293, "Delete AttributeTypeTime T=#02-Jan-2024 12:00#")}},
        {{{"kind", "null"}}, 1, {trace(1299, "Delete AttributeTypeTime T=#NULL#")}},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.type);
        json attribute = c.attribute;
        attribute["title"] = "T";
        open_with_attributes(json::array({attribute, {{"title", "OTHER"}, {"value", "x"}}}));
        EXPECT_EQ(Delete_Part_Attribute("T"), 0);
        std::vector<std::string> expected = delete_start("T", part_);
        expected.push_back(trace(
            1262, "AttInfo T type=" + std::to_string(c.type) + "  PDM=0 locked=0  overwrite=0"));
        EXPECT_EQ(syslog(), concat(expected, c.delete_traces));
        EXPECT_FALSE(has_attribute("T"));
        EXPECT_TRUE(has_attribute("OTHER"));
        standin::reset_session();
        RQ_initialize();
    }
}

TEST_F(CallbackActionsTest, LockedAttributeStaysAndReportsMinusTwo) {
    open_with_attributes(json::array(
        {{{"title", "T"}, {"value", "v"}, {"locked", true}, {"pdm", true}, {"overwrite", true}}}));
    EXPECT_EQ(Delete_Part_Attribute("T"), -2);
    EXPECT_EQ(syslog(), concat(delete_start("T", part_),
                               {trace(1262, "AttInfo T type=5  PDM=1 locked=1  overwrite=1"),
                                trace(1311, "is locked")}));
    EXPECT_TRUE(has_attribute("T"));
}

TEST_F(CallbackActionsTest, MissingAttributeReportsOneHundred) {
    open_with_attributes(json::array());
    EXPECT_EQ(Delete_Part_Attribute("T"), 100);
    EXPECT_EQ(syslog(), concat(delete_start("T", part_), {trace(1317, "Attribute is not set")}));
}

TEST_F(CallbackActionsTest, NoWorkPartCountsAsNotSet) {
    EXPECT_EQ(Delete_Part_Attribute("T"), 100);
    EXPECT_EQ(syslog(), concat(delete_start("T", 0), {trace(1317, "Attribute is not set")}));
}

TEST_F(CallbackActionsTest, UnknownTypeIsKeptAndReportsMinusOne) {
    open_with_attributes(json::array({{{"title", "T"}, {"kind", "integer"}, {"value", 1}}}));
    standin::set_fault("KavoObject::AttributeType", 7);
    EXPECT_EQ(Delete_Part_Attribute("T"), -1);
    EXPECT_EQ(syslog(), concat(delete_start("T", part_),
                               {trace(1262, "AttInfo T type=7  PDM=0 locked=0  overwrite=0"),
                                trace(1305, "Unknown Type???")}));
    EXPECT_TRUE(has_attribute("T"));
}

TEST_F(CallbackActionsTest, ObjectInterfaceFailureReachesTheCaller) {
    open_with_attributes(json::array({{{"title", "T"}, {"value", "v"}}}));
    standin::set_fault("KavoObject::DeleteAttributeByTypeAndTitle", 4711);
    EXPECT_THROW(Delete_Part_Attribute("T"), KavoOpen::KavoException);
    EXPECT_TRUE(has_attribute("T"));
}

TEST_F(CallbackActionsTest, DeleteAttributesHandlesBothTitlesWhateverTheFirstGave) {
    open_with_attributes(
        json::array({{{"title", "VRELII_JT_DETAILS"}, {"value", "j"}, {"locked", true}},
                     {{"title", "CHECKED_OUT_BY"}, {"value", "anna"}}}));
    EXPECT_EQ(delete_attributes(), 0);
    const std::vector<std::string> log = syslog();
    ASSERT_EQ(log.size(), 11u);
    EXPECT_EQ(log[4], "\n##VRELII_JT_DETAILS:Error -2");
    EXPECT_EQ(log[10], "\n##CHECKED_OUT_BY:Delete");
    EXPECT_TRUE(has_attribute("VRELII_JT_DETAILS"));
    EXPECT_FALSE(has_attribute("CHECKED_OUT_BY"));

    standin::clear_records();
    delete_attributes();
    EXPECT_EQ(syslog()[4], "\n##VRELII_JT_DETAILS:Error -2");
    EXPECT_EQ(syslog().back(), "\n##CHECKED_OUT_BY:Notexist");
}

// ---- legacy line widths ----------------------------------------------------------------

class LineWidthTest : public CallbackActionsTest {
  protected:
    void set_widths(std::optional<std::string> thin, std::optional<std::string> normal,
                    std::optional<std::string> thick) {
        standin::set_variable("VRELII_CONVERT_LEGACY_THIN_LINEWIDTH_TO_NEW_LINEWIDTH", thin);
        standin::set_variable("VRELII_CONVERT_LEGACY_NORMAL_LINEWIDTH_TO_NEW_LINEWIDTH", normal);
        standin::set_variable("VRELII_CONVERT_LEGACY_THICK_LINEWIDTH_TO_NEW_LINEWIDTH", thick);
    }
    std::vector<std::string> variable_traces(const std::string& thin, const std::string& normal,
                                             const std::string& thick) {
        return {trace(1378, "VRELII_CONVERT_LEGACY_THIN_LINEWIDTH_TO_NEW_LINEWIDTH=" + thin),
                trace(1381, "VRELII_CONVERT_LEGACY_NORMAL_LINEWIDTH_TO_NEW_LINEWIDTH=" + normal),
                trace(1384, "VRELII_CONVERT_LEGACY_THICK_LINEWIDTH_TO_NEW_LINEWIDTH=" + thick)};
    }
};

TEST_F(LineWidthTest, ValidDigitsSetTheMap) {
    open_with_attributes(json::array());
    set_widths("1", "5", "9");
    EXPECT_EQ(set_line_width_preferences(), 0);
    EXPECT_EQ(syslog(), concat(variable_traces("1", "5", "9"),
                               {trace(1443, "Info: SetLegacyLineWidthMap --> passed")}));
    EXPECT_EQ(standin::legacy_line_width_map(part_), (std::array<int, 3>{5, 9, 13}));

    set_widths("1", "1", "1");
    set_line_width_preferences();
    EXPECT_EQ(standin::legacy_line_width_map(part_), (std::array<int, 3>{5, 5, 5}));
}

TEST_F(LineWidthTest, AnyInvalidValueSetsNothingAndTracesOneError) {
    const std::vector<std::string> invalid = {"", "0", "10", "5 ", " 5", "+5", "a", "-1"};
    open_with_attributes(json::array());
    for (const std::string& value : invalid) {
        SCOPED_TRACE("value #" + value + "#");
        standin::clear_records();
        set_widths("2", value, "3");
        EXPECT_EQ(set_line_width_preferences(), 0);
        EXPECT_EQ(syslog(),
                  concat(variable_traces("2", value, "3"),
                         {trace(1448, "Error: SetLegacyLineWidthMap. Mapping envs not correct")}));
        EXPECT_EQ(standin::legacy_line_width_map(part_), std::nullopt);
    }
    standin::clear_records();
    set_widths(std::nullopt, "x", "99");
    set_line_width_preferences();
    EXPECT_EQ(syslog().size(), 4u);  // one error trace for three bad values
}

// Hosts 9 and 8.5 only check the variables: traces and the error trace, no
// map, no passed trace. The legacy plug-in has neither action.
TEST_F(LineWidthTest, EarlyHostsOnlyCheckAndLegacyHostsHaveNoActions) {
    open_with_attributes(json::array({{{"title", "CHECKED_OUT_BY"}, {"value", "anna"}}}));
    const std::string error = "Error: SetLegacyLineWidthMap. Mapping envs not correct";
    struct Case {
        HostRelease release;
        const char* normal;
        std::vector<std::string> traces;
    };
    const Case cases[] = {
        {HostRelease::R9, "5", variable_traces("1", "5", "9")},
        {HostRelease::R8_5, "x", concat(variable_traces("1", "x", "9"), {trace(1448, error)})},
        {HostRelease::R7_5, "5", {}},
        {HostRelease::R4, "x", {}},
    };
    for (const Case& c : cases) {
        select_host_release(c.release);
        standin::clear_records();
        set_widths("1", c.normal, "9");
        EXPECT_EQ(set_line_width_preferences(), 0);
        EXPECT_EQ(syslog(), c.traces) << c.normal;
        EXPECT_EQ(standin::legacy_line_width_map(part_), std::nullopt);
    }
    EXPECT_EQ(delete_attributes(), 0);  // R4: nothing asked, nothing deleted
    EXPECT_TRUE(syslog().empty());
    EXPECT_TRUE(has_attribute("CHECKED_OUT_BY"));
    select_host_release(HostRelease::R8_5);
    delete_attributes();
    EXPECT_FALSE(has_attribute("CHECKED_OUT_BY"));
}

}  // namespace
