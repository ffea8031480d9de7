// Object-interface attributes and part preferences: the type numbers mapped
// onto the one attribute store, deletion and its refusals, scripted faults,
// and the legacy line-width map.
#include <rq/rq.h>
#include <kavoopen/kavoopen.hpp>
#include <standin/testing.hpp>

#include "host_fixture.hpp"

#include <array>
#include <optional>

namespace {

using KavoOpen::KavoObject;
using nlohmann::json;
using WidthType = KavoOpen::Preferences::PartObject::WidthType;

class KavoOpenAttributesTest : public HostTest {
  protected:
    KavoOpen::BasePart* open_part() {
        standin::PartBuilder b("ATT");
        b.doc()["attributes"] = json::array(
            {{{"title", "S"}, {"value", "text"}, {"pdm", true}, {"overwrite", true}},
             {{"title", "I"}, {"kind", "integer"}, {"value", 42}},
             {{"title", "R"}, {"kind", "real"}, {"value", 1.5}},
             {{"title", "B"}, {"kind", "boolean"}, {"value", true}},
             {{"title", "T"}, {"kind", "time"}, {"value", {1, 2}}, {"time_text", "01-Jan-2024"}},
             {{"title", "N"}, {"kind", "null"}},
             {{"title", "L"}, {"value", "v"}, {"locked", true}}});
        part_ = b.open(path("att.prt"));
        return KavoOpen::Session::GetSession()->Parts()->Work();
    }
    bool procedural_has(const char* title) {
        int type = 0;
        RQ_ATTR_find_attribute(part_, RQ_ATTR_any, title, &type);
        return type != 0;
    }
    tag_t part_ = NULL_TAG;
};

TEST_F(KavoOpenAttributesTest, TypesAreTheObjectInterfaceNumbers) {
    KavoOpen::BasePart* part = open_part();
    const std::pair<const char*, KavoObject::AttributeType> types[] = {
        {"N", KavoObject::AttributeTypeNull},    {"B", KavoObject::AttributeTypeBoolean},
        {"I", KavoObject::AttributeTypeInteger}, {"R", KavoObject::AttributeTypeReal},
        {"S", KavoObject::AttributeTypeString},  {"T", KavoObject::AttributeTypeTime}};
    for (const auto& [title, type] : types) {
        SCOPED_TRACE(title);
        EXPECT_TRUE(part->HasUserAttribute(title, KavoObject::AttributeTypeAny, -1));
        EXPECT_TRUE(part->HasUserAttribute(title, type, -1));
        EXPECT_EQ(part->GetUserAttribute(title, KavoObject::AttributeTypeAny, -1).Type, type);
    }
    EXPECT_FALSE(part->HasUserAttribute("I", KavoObject::AttributeTypeReal, -1));
    EXPECT_FALSE(part->HasUserAttribute("I", KavoObject::AttributeTypeAny, 3));
    EXPECT_FALSE(part->HasUserAttribute("MISSING", KavoObject::AttributeTypeAny, -1));
    EXPECT_THROW(part->GetUserAttribute("MISSING", KavoObject::AttributeTypeAny, -1),
                 KavoOpen::KavoException);
}

TEST_F(KavoOpenAttributesTest, InformationCarriesValuesAndFlags) {
    KavoOpen::BasePart* part = open_part();
    const auto s = part->GetUserAttribute("S", KavoObject::AttributeTypeAny, -1);
    EXPECT_STREQ(s.Title.GetLocaleText(), "S");
    EXPECT_STREQ(s.StringValue.GetLocaleText(), "text");
    EXPECT_TRUE(s.PdmBased);
    EXPECT_TRUE(s.Overwrite);
    EXPECT_FALSE(s.Locked);
    EXPECT_EQ(part->GetUserAttribute("I", KavoObject::AttributeTypeAny, -1).IntegerValue, 42);
    EXPECT_EQ(part->GetUserAttribute("R", KavoObject::AttributeTypeAny, -1).RealValue, 1.5);
    EXPECT_TRUE(part->GetUserAttribute("B", KavoObject::AttributeTypeAny, -1).BooleanValue);
    EXPECT_STREQ(
        part->GetUserAttribute("T", KavoObject::AttributeTypeAny, -1).TimeValue.GetLocaleText(),
        "01-Jan-2024");
    EXPECT_TRUE(part->GetUserAttribute("L", KavoObject::AttributeTypeAny, -1).Locked);
}

TEST_F(KavoOpenAttributesTest, DeleteRemovesFromTheStoreAndMarksTheModification) {
    KavoOpen::BasePart* part = open_part();
    EXPECT_THROW(part->DeleteAttributeByTypeAndTitle(KavoObject::AttributeTypeReal, "I"),
                 KavoOpen::KavoException);
    EXPECT_TRUE(procedural_has("I"));
    part->DeleteAttributeByTypeAndTitle(KavoObject::AttributeTypeInteger, "I");
    EXPECT_FALSE(procedural_has("I"));
    EXPECT_FALSE(part->HasUserAttribute("I", KavoObject::AttributeTypeAny, -1));
    EXPECT_EQ(standin::raised_events().back(),
              std::make_pair(static_cast<int>(RQ_modified_part_reason), part_));

    EXPECT_THROW(part->DeleteAttributeByTypeAndTitle(KavoObject::AttributeTypeString, "L"),
                 KavoOpen::KavoException);
    EXPECT_TRUE(procedural_has("L"));
}

TEST_F(KavoOpenAttributesTest, ScriptedFaults) {
    KavoOpen::BasePart* part = open_part();
    standin::set_fault("KavoObject::AttributeType", 9, "", 1);
    EXPECT_EQ(static_cast<int>(part->GetUserAttribute("S", KavoObject::AttributeTypeAny, -1).Type),
              9);
    EXPECT_EQ(part->GetUserAttribute("S", KavoObject::AttributeTypeAny, -1).Type,
              KavoObject::AttributeTypeString);
    standin::set_fault("KavoObject::DeleteAttributeByTypeAndTitle", 12, "ATT");
    try {
        part->DeleteAttributeByTypeAndTitle(KavoObject::AttributeTypeString, "S");
        FAIL() << "no exception";
    } catch (const KavoOpen::KavoException& e) {
        EXPECT_NE(std::string(e.Message()).find("error 12"), std::string::npos);
    }
    EXPECT_TRUE(procedural_has("S"));
}

TEST_F(KavoOpenAttributesTest, LegacyLineWidthMapIsStoredAndSaved) {
    KavoOpen::BasePart* part = open_part();
    EXPECT_EQ(standin::legacy_line_width_map(part_), std::nullopt);
    auto* object_preferences = part->Preferences()->ObjectPreferences();
    EXPECT_EQ(object_preferences, part->Preferences()->ObjectPreferences());
    object_preferences->SetLegacyLineWidthMap(
        {WidthType::WidthType1, WidthType::WidthType5, WidthType::WidthType9});
    EXPECT_EQ(standin::legacy_line_width_map(part_), (std::array<int, 3>{5, 9, 13}));
    ASSERT_EQ(RQ_PART_save_work_only(), 0);
    EXPECT_NE(read_file(path("att.prt")).find("\"line_width_map\": [5,9,13]"), std::string::npos);

    const std::vector<std::vector<WidthType>> refused = {
        {WidthType::WidthType1, WidthType::WidthType1},
        {WidthType::WidthType1, WidthType::WidthTypeThin, WidthType::WidthType1},
        {WidthType::WidthType1, WidthType::WidthType1, static_cast<WidthType>(14)}};
    for (const auto& map : refused)
        EXPECT_THROW(object_preferences->SetLegacyLineWidthMap(map), KavoOpen::KavoException);
    EXPECT_EQ(standin::legacy_line_width_map(part_), (std::array<int, 3>{5, 9, 13}));
}

}  // namespace
