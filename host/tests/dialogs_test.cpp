// The text dialog uc1600: queued answers, the script file, the cancel when
// nothing is left, and the bounds of its texts.
#include "host_fixture.hpp"

namespace {

class DialogsTest : public HostTest {
  protected:
    void TearDown() override {
        ::unsetenv("KAVOHOST_DIALOG");
        HostTest::TearDown();
    }
    int ask(const char* cue, std::string& text) {
        char buffer[133] = {};
        std::snprintf(buffer, sizeof buffer, "%s", text.c_str());
        int length = static_cast<int>(std::strlen(buffer));
        const int response = uc1600(cue, buffer, &length);
        EXPECT_EQ(length, static_cast<int>(std::strlen(buffer)));
        text = buffer;
        return response;
    }
};

TEST_F(DialogsTest, QueuedAnswersComeInOrderAndThenTheDialogIsCancelled) {
    standin::queue_dialog_answer(3, "first");
    standin::queue_dialog_answer(5);  // keeps the shown text
    standin::queue_dialog_answer(1, "not taken on back");
    EXPECT_EQ(standin::queued_dialog_answers(), 3);
    std::string text = "start";
    EXPECT_EQ(ask("Cue", text), 3);
    EXPECT_EQ(text, "first");
    EXPECT_EQ(ask("Cue", text), 5);
    EXPECT_EQ(text, "first");
    EXPECT_EQ(ask("Cue", text), 1);
    EXPECT_EQ(text, "first");
    EXPECT_EQ(ask("Cue", text), RQ_UI_CANCEL);
    EXPECT_EQ(ask("Cue", text), RQ_UI_CANCEL);  // exhausted stays exhausted
    const auto& entries = standin::dialog_entries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].cue, "Cue");
    EXPECT_EQ(entries[0].text_in, "start");
    EXPECT_EQ(entries[0].text_out, "first");
    EXPECT_TRUE(entries[2].scripted);
    EXPECT_FALSE(entries[3].scripted);
}

TEST_F(DialogsTest, ScriptFileAnswersAfterTheQueue) {
    write_file(path("answers.txt"),
               "3 from file\r\nnot an answer\n4\n3 \n7x broken\n2 leave\n3 after leave\n");
    ::setenv("KAVOHOST_DIALOG", path("answers.txt").c_str(), 1);
    standin::queue_dialog_answer(3, "queued");
    std::string text = "x";
    EXPECT_EQ(ask("C", text), 3);
    EXPECT_EQ(text, "queued");
    EXPECT_EQ(ask("C", text), 3);
    EXPECT_EQ(text, "from file");  // the carriage return is not part of it
    EXPECT_EQ(ask("C", text), 4);  // the malformed line was skipped
    EXPECT_EQ(text, "from file");
    EXPECT_EQ(ask("C", text), 3);
    EXPECT_EQ(text, "");           // "3 " answers an empty text
    EXPECT_EQ(ask("C", text), 2);  // "7x broken" skipped
    EXPECT_EQ(ask("C", text), 3);
    EXPECT_EQ(text, "after leave");
    EXPECT_EQ(ask("C", text), RQ_UI_CANCEL);
}

TEST_F(DialogsTest, MissingScriptCancels) {
    ::setenv("KAVOHOST_DIALOG", path("missing.txt").c_str(), 1);
    std::string text = "kept";
    EXPECT_EQ(ask("C", text), RQ_UI_CANCEL);
    EXPECT_EQ(text, "kept");
}

TEST_F(DialogsTest, TextsStayWithinTheirBounds) {
    standin::queue_dialog_answer(3, std::string(300, 'a'));
    // A cue without an end within 80 characters, a text of exactly 132.
    char cue[81];
    std::memset(cue, 'c', sizeof cue);
    char text[133];
    std::memset(text, 't', 132);
    text[132] = '\0';
    int length = 132;
    EXPECT_EQ(uc1600(cue, text, &length), 3);
    EXPECT_EQ(length, 132);
    EXPECT_EQ(std::string(text), std::string(132, 'a'));
    const auto& entry = standin::dialog_entries().back();
    EXPECT_EQ(entry.cue, std::string(80, 'c'));
    EXPECT_EQ(entry.text_in, std::string(132, 't'));

    // A shorter length shows only that much of the text.
    standin::queue_dialog_answer(3);
    std::snprintf(text, sizeof text, "%s", "abcdef");
    length = 3;
    EXPECT_EQ(uc1600("C", text, &length), 3);
    EXPECT_STREQ(text, "abc");
    EXPECT_EQ(length, 3);
}

TEST_F(DialogsTest, HighlightChangesAreRecorded) {
    standin::PartBuilder part("lit");
    const auto id = part.add(RQ_point_type);
    part.open(path("lit.prt"));
    const tag_t object = RQ_TAG_ask_tag_of_handle(part.handle(id).c_str());
    EXPECT_EQ(RQ_DISP_set_highlight(object, 1), 0);
    EXPECT_EQ(RQ_DISP_set_highlight(object, 0), 0);
    EXPECT_EQ(RQ_DISP_set_highlight(9999, 1), RQ_err_bad_tag);
    const auto& entries = standin::highlight_entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].handle, "lit:1");
    EXPECT_EQ(entries[0].on, 1);
    EXPECT_EQ(entries[1].on, 0);
}

}  // namespace
