// The object interface: session, work part, expressions and snapshots.
#include <rq/rq.h>
#include <kavoopen/kavoopen.hpp>

#include <stdexcept>

#include "host_fixture.hpp"
#include "parts/store.hpp"

namespace {

using nlohmann::json;

class KavoOpenTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_EQ(RQ_initialize(), 0);
    }
    tag_t open_part(const std::string& id) {
        standin::PartBuilder b(id);
        b.add(RQ_expression_type, 0,
              {{"expression", {{"name", "len"}, {"value_text", "10"}, {"value", 10.0}}}});
        b.add(RQ_expression_type, 0,
              {{"expression",
                {{"name", "locked"}, {"value_text", "2"}, {"value", 2.0}, {"no_edit", true}}}});
        return b.open(path(id + ".json"));
    }
    static KavoOpen::PartCollection* parts() { return KavoOpen::Session::GetSession()->Parts(); }
};

// Object-interface members fail on demand with KavoException, or with an
// exception of another kind.
TEST_F(KavoOpenTest, FaultsMakeMembersThrow) {
    const tag_t part = open_part("thrower");
    standin::load_faults(json::parse(R"([
        {"call": "PartCollection::Work", "code": 7, "times": 1},
        {"call": "BasePart::Annotations", "code": 8, "exception": "other", "skip": 1, "times": 1}])"));
    try {
        parts()->Work();
        ADD_FAILURE() << "Work did not throw";
    } catch (const KavoOpen::KavoException& e) {
        EXPECT_STREQ(e.Message(), "PartCollection::Work failed (error 7)");
    }
    KavoOpen::BasePart* work = parts()->Work();
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->Tag(), part);
    EXPECT_NO_THROW(work->Annotations());
    EXPECT_THROW(work->Annotations(), std::runtime_error);
    EXPECT_NO_THROW(work->Annotations());
}

TEST_F(KavoOpenTest, WorkPartFollowsTheSession) {
    EXPECT_EQ(KavoOpen::Session::GetSession(), KavoOpen::Session::GetSession());
    EXPECT_EQ(parts()->Work(), nullptr);
    EXPECT_EQ(parts()->Display(), nullptr);

    const tag_t first = open_part("first");
    KavoOpen::BasePart* work = parts()->Work();
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->Tag(), first);
    EXPECT_NE(dynamic_cast<KavoOpen::Part*>(work), nullptr);
    EXPECT_EQ(parts()->Display(), work);

    const tag_t second = open_part("second");
    EXPECT_EQ(parts()->Work()->Tag(), second);
    ASSERT_EQ(RQ_ASSEM_set_work_part(first), 0);
    EXPECT_EQ(parts()->Work(), work);  // one wrapper per part
    EXPECT_EQ(parts()->Display()->Tag(), second);
}

TEST_F(KavoOpenTest, FindObjectFindsExpressionsByName) {
    open_part("exp");
    KavoOpen::ExpressionCollection* exps = parts()->Work()->Expressions();
    KavoOpen::Expression* len = exps->FindObject("len");
    ASSERT_NE(len, nullptr);
    EXPECT_FALSE(len->IsNoEdit());
    EXPECT_TRUE(exps->FindObject(KavoOpen::KavoString("locked"))->IsNoEdit());
    EXPECT_EQ(exps->FindObject("len"), len);
    EXPECT_EQ(parts()->Work()->Expressions(), exps);

    try {
        exps->FindObject("missing");
        FAIL() << "no exception";
    } catch (const KavoOpen::KavoException& e) {
        EXPECT_STREQ(e.Message(), "No expression named missing");
        EXPECT_STREQ(e.SourceFile(), "kavoopen.cpp");
        EXPECT_GT(e.SourceLine(), 0);
    }
    EXPECT_THROW(exps->FindObject(static_cast<const char*>(nullptr)), KavoOpen::KavoException);

    // After the parts are closed the wrappers fail cleanly.
    ASSERT_EQ(RQ_PART_close_all(), 0);
    EXPECT_THROW(exps->FindObject("len"), KavoOpen::KavoException);
    EXPECT_THROW(len->IsNoEdit(), KavoOpen::KavoException);
}

TEST_F(KavoOpenTest, SnapshotIsRecordedAndCanFail) {
    const tag_t tag = open_part("snap");
    auto* part = dynamic_cast<KavoOpen::Part*>(parts()->Work());
    ASSERT_NE(part, nullptr);
    KavoOpen::DrawingCompareManager* manager = part->DrawingCompare();
    EXPECT_EQ(part->DrawingCompare(), manager);
    EXPECT_FALSE(standin::find_part(tag)->modified);
    manager->CreateSnapshot();
    EXPECT_EQ(standin::find_part(tag)->snapshots, 1);
    EXPECT_TRUE(standin::find_part(tag)->modified);

    standin::set_fault("DrawingCompareManager::CreateSnapshot", 4711);
    try {
        manager->CreateSnapshot();
        FAIL() << "no exception";
    } catch (const KavoOpen::KavoException& e) {
        EXPECT_STREQ(e.Message(), "Drawing snapshot failed (error 4711)");
    }
    EXPECT_EQ(standin::find_part(tag)->snapshots, 1);
}

}  // namespace
