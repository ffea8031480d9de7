// Part-event callbacks: registration, the events the host's own operations
// raise, re-entrant dispatch and exceptions that escape a callback.
#include <kavoopen/kavoopen.hpp>

#include <stdexcept>

#include "host_fixture.hpp"

namespace {

struct Seen {
    std::vector<std::pair<int, tag_t>> events;
    int nested_opens = 0;
    std::string reopen;  // a part the change-of-work-part callback opens once
};

int record_event(int reason, const void* data, void* user) {
    auto* seen = static_cast<Seen*>(user);
    seen->events.emplace_back(reason, *static_cast<const tag_t*>(data));
    return reason * 10;
}

// Opens another part from inside the event, as a plug-in's callback may.
int open_inside(int reason, const void* data, void* user) {
    auto* seen = static_cast<Seen*>(user);
    if (seen->reopen.empty()) return 0;
    const std::string name = seen->reopen;
    seen->reopen.clear();
    tag_t part = NULL_TAG;
    RQ_initialize();
    ++seen->nested_opens;
    int code = RQ_PART_open(name.c_str(), &part, nullptr);
    RQ_terminate();
    return code;
}

int throw_runtime(int, const void*, void*) {
    throw std::runtime_error("callback failed");
}
int throw_int(int, const void*, void*) {
    throw 42;
}
int throw_kavo(int, const void*, void*) {
    throw KavoOpen::KavoException("object refused", 12, "thrower.cpp");
}

// Renames an object from inside the modified event: the part is modified
// already, so no second modified event follows.
int modify_again(int, const void* data, void* user) {
    RQ_OBJ_set_name(*static_cast<tag_t*>(user), "AGAIN");
    return 0;
}

class CallbacksTest : public HostTest {
  protected:
    // A current host, with all nine events, whatever release the build is for.
    void SetUp() override {
        HostTest::SetUp();
        standin::set_release_text(std::string(standin::default_release_text("CR2212")));
    }
    tag_t write_part(const std::string& id, std::int64_t* object = nullptr) {
        standin::PartBuilder part(id);
        const auto made = part.add(RQ_point_type, 0, {{"name", "P"}});
        if (object != nullptr) *object = made;
        part.write(path(id + ".prt"));
        return NULL_TAG;
    }
    void register_all(RQ_callback_fn_t fn, void* user) {
        for (int reason = RQ_create_part_reason; reason <= RQ_post_save_as_part_reason; ++reason) {
            RQ_registration_id_t id = 0;
            ASSERT_EQ(RQ_add_callback_function(reason, fn, user, &id), 0);
        }
    }
};

TEST_F(CallbacksTest, RegistrationGivesIdsAndRefusesBadArguments) {
    Seen seen;
    RQ_registration_id_t first = 0, second = 0, unused = 99;
    EXPECT_EQ(RQ_add_callback_function(RQ_save_part_reason, record_event, &seen, &first), 0);
    EXPECT_EQ(RQ_add_callback_function(RQ_save_part_reason, record_event, &seen, &second), 0);
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(second, 2u);
    EXPECT_EQ(RQ_add_callback_function(9, record_event, &seen, &unused), RQ_err_bad_argument);
    EXPECT_EQ(RQ_add_callback_function(-1, record_event, &seen, &unused), RQ_err_bad_argument);
    EXPECT_EQ(RQ_add_callback_function(1, nullptr, &seen, &unused), RQ_err_bad_argument);
    EXPECT_EQ(unused, 99u);
    standin::set_fault("RQ_add_callback_function", 7001, {}, 1);
    EXPECT_EQ(RQ_add_callback_function(1, record_event, &seen, &unused), 7001);
    EXPECT_EQ(standin::registered_callbacks(-1), 2);
    EXPECT_EQ(standin::registered_callbacks(RQ_save_part_reason), 2);

    standin::raise_part_event(RQ_save_part_reason, 77);
    ASSERT_EQ(seen.events.size(), 2u);
    EXPECT_EQ(seen.events[0], std::make_pair(2, tag_t{77}));
    const auto& calls = standin::callback_calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].id, second);
    EXPECT_EQ(calls[1].result, 20);
    EXPECT_EQ(calls[1].depth, 1);

    standin::reset_session();  // a new session starts without callbacks
    EXPECT_EQ(standin::registered_callbacks(-1), 0);
}

TEST_F(CallbacksTest, HostOperationsRaiseTheirEvents) {
    std::int64_t point = 0;
    write_part("first", &point);
    write_part("second");
    Seen seen;
    register_all(record_event, &seen);
    tag_t first = NULL_TAG, second = NULL_TAG;
    ASSERT_EQ(RQ_PART_open(path("first.prt").c_str(), &first, nullptr), 0);
    ASSERT_EQ(RQ_PART_open(path("second.prt").c_str(), &second, nullptr), 0);
    ASSERT_EQ(RQ_ASSEM_set_work_part(first), 0);
    ASSERT_EQ(RQ_ASSEM_set_work_part(first), 0);  // no change, no event
    const tag_t object = RQ_TAG_ask_tag_of_handle(("first:" + std::to_string(point)).c_str());
    ASSERT_EQ(RQ_OBJ_set_name(object, "A"), 0);
    ASSERT_EQ(RQ_OBJ_set_name(object, "B"), 0);  // modified once per change
    ASSERT_EQ(RQ_PART_save_work_only(), 0);
    ASSERT_EQ(RQ_OBJ_set_name(object, "C"), 0);  // modified again after the save
    ASSERT_EQ(RQ_PART_save_as(path("copy.prt").c_str()), 0);
    ASSERT_EQ(RQ_PART_close_all(), 0);
    const std::vector<std::pair<int, tag_t>> expected = {
        {1, first}, {7, first}, {1, second}, {7, second}, {7, first}, {5, first},
        {2, first}, {5, first}, {3, first},  {8, first},  {4, first}, {4, second}};
    EXPECT_EQ(seen.events, expected);
    EXPECT_EQ(standin::raised_events(), expected);
}

TEST_F(CallbacksTest, DispatchIsReentrant) {
    write_part("outer");
    write_part("inner");
    Seen seen;
    seen.reopen = path("inner.prt");
    register_all(record_event, &seen);
    RQ_registration_id_t id = 0;
    ASSERT_EQ(RQ_add_callback_function(RQ_change_work_part_reason, open_inside, &seen, &id), 0);
    tag_t outer = NULL_TAG;
    ASSERT_EQ(RQ_PART_open(path("outer.prt").c_str(), &outer, nullptr), 0);
    EXPECT_EQ(seen.nested_opens, 1);
    const tag_t inner = standin::loaded_part(path("inner.prt"));
    ASSERT_NE(inner, NULL_TAG);
    // The inner open's events arrive while the outer change event is dispatched.
    const std::vector<std::pair<int, tag_t>> expected = {
        {1, outer}, {7, outer}, {1, inner}, {7, inner}};
    EXPECT_EQ(seen.events, expected);
    int deepest = 0;
    for (const auto& call : standin::callback_calls()) deepest = std::max(deepest, call.depth);
    EXPECT_EQ(deepest, 2);
    EXPECT_EQ(standin::open_depth(), 0);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), inner);
}

TEST_F(CallbacksTest, ModifyFromInsideTheModifiedEventDoesNotRecurse) {
    std::int64_t point = 0;
    write_part("mod", &point);
    tag_t part = NULL_TAG;
    ASSERT_EQ(RQ_PART_open(path("mod.prt").c_str(), &part, nullptr), 0);
    tag_t object = RQ_TAG_ask_tag_of_handle(("mod:" + std::to_string(point)).c_str());
    RQ_registration_id_t id = 0;
    ASSERT_EQ(RQ_add_callback_function(RQ_modified_part_reason, modify_again, &object, &id), 0);
    ASSERT_EQ(RQ_OBJ_set_name(object, "FIRST"), 0);
    EXPECT_EQ(standin::callback_calls().size(), 1u);
    char name[31] = {};
    ASSERT_EQ(RQ_OBJ_ask_name(object, name), 0);
    EXPECT_STREQ(name, "AGAIN");
}

TEST_F(CallbacksTest, EscapingExceptionsAreCaughtAndRecorded) {
    write_part("thrown");
    Seen seen;
    RQ_registration_id_t id = 0;
    ASSERT_EQ(RQ_add_callback_function(RQ_open_part_reason, throw_runtime, nullptr, &id), 0);
    ASSERT_EQ(RQ_add_callback_function(RQ_open_part_reason, throw_int, nullptr, &id), 0);
    ASSERT_EQ(RQ_add_callback_function(RQ_open_part_reason, throw_kavo, nullptr, &id), 0);
    ASSERT_EQ(RQ_add_callback_function(RQ_open_part_reason, record_event, &seen, &id), 0);
    tag_t part = NULL_TAG;
    EXPECT_EQ(RQ_PART_open(path("thrown.prt").c_str(), &part, nullptr), 0);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), part);  // the open went on
    const auto& calls = standin::callback_calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_TRUE(calls[0].threw);
    EXPECT_EQ(calls[0].exception, "callback failed");
    EXPECT_TRUE(calls[1].threw);
    EXPECT_EQ(calls[1].exception, "unknown exception");
    EXPECT_TRUE(calls[2].threw);  // an object-interface exception keeps its message
    EXPECT_EQ(calls[2].exception, "object refused (line 12 of thrower.cpp)");
    EXPECT_FALSE(calls[3].threw);  // later callbacks still run
    EXPECT_EQ(seen.events.size(), 1u);
}

TEST_F(CallbacksTest, RaisedEventsOutsideTheReasonsAreIgnored) {
    Seen seen;
    register_all(record_event, &seen);
    standin::raise_part_event(9, 1);
    standin::raise_part_event(-1, 1);
    EXPECT_TRUE(seen.events.empty());
    EXPECT_TRUE(standin::raised_events().empty());
    // Callbacks of an object that is not loaded code are not removed.
    EXPECT_EQ(standin::remove_callbacks_of_object(nullptr), 0);
    EXPECT_EQ(standin::registered_callbacks(-1), 9);
}

}  // namespace
