// Text field helpers: fields, delimiters, blanks, replacement and the cut at
// the caller's buffer.
#include "utils/text_fields.hpp"

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "support/test_support.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Tests that change a run setting.
class TextFieldsSettingsTest : public kvtx_test::GlobalStateTest {};

std::string field(const char* text, int index, char delimiter = ',') {
    char out[1024] = "stale";
    const int length = get_nth_field(text, index, delimiter, out);
    EXPECT_EQ(length, static_cast<int>(std::strlen(out)));
    return out;
}

TEST(TextFieldsTest, NthFieldSplitsAtEveryDelimiter) {
    EXPECT_EQ(field("a,,c", 0), "a");
    EXPECT_EQ(field("a,,c", 1), "");
    EXPECT_EQ(field("a,,c", 2), "c");
    EXPECT_EQ(field("a,,c", 3), "");
    EXPECT_EQ(field("abc", 0), "abc");
    EXPECT_EQ(field("abc", 1), "");
    EXPECT_EQ(field("abc", -1), "");
    EXPECT_EQ(field(",x", 0), "");
    EXPECT_EQ(field("", 0), "");
    EXPECT_EQ(field("a\xA7"
                    "b",
                    1, '\xA7'),
              "b");  // bytes above 127 as delimiter
}

TEST(TextFieldsTest, NthFieldIsCutToTheBuffer) {
    char small[4];
    EXPECT_EQ(get_nth_field("abcdefg,h", 0, ',', small), 3);
    EXPECT_STREQ(small, "abc");
}

TEST(TextFieldsTest, TextAfterNthDelimiterKeepsLaterDelimiters) {
    char out[64];
    EXPECT_EQ(get_text_after_nth_delimiter("x/1/2/3/4/5", 4, '/', out), 3);
    EXPECT_STREQ(out, "4/5");
    EXPECT_EQ(get_text_after_nth_delimiter("x/1", 2, '/', out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(get_text_after_nth_delimiter("x/1", 0, '/', out), 0);
    EXPECT_EQ(get_text_after_nth_delimiter("x/", 1, '/', out), 0);
    char small[3];
    EXPECT_EQ(get_text_after_nth_delimiter("a;bcdef", 1, ';', small), 2);
    EXPECT_STREQ(small, "bc");
}

TEST(TextFieldsTest, RemoveBlanksRemovesOnlyBlanks) {
    char text[] = " a b ";
    EXPECT_EQ(remove_blanks(text), 2);
    EXPECT_STREQ(text, "ab");
    char tabs[] = "a\t b";
    EXPECT_EQ(remove_blanks(tabs), 3);
    EXPECT_STREQ(tabs, "a\tb");
}

TEST_F(TextFieldsSettingsTest, CountDetailOptionsCountsCommas) {
    copy_text(detail_option, "");
    EXPECT_EQ(count_detail_options(), 1);
    copy_text(detail_option, "25,26,63");
    EXPECT_EQ(count_detail_options(), 3);
}

TEST(TextFieldsTest, CopyFromPosition) {
    char out[64] = "stale";
    copy_from_position("-outdir=/tmp/out", out, 8);
    EXPECT_STREQ(out, "/tmp/out");
    copy_from_position("abc", out, 3);
    EXPECT_STREQ(out, "");
    copy_from_position("abc", out, 99);
    EXPECT_STREQ(out, "");
    copy_from_position("abc", out, -2);
    EXPECT_STREQ(out, "abc");
    char small[4];
    copy_from_position("-log=abcdef", small, 5);
    EXPECT_STREQ(small, "abc");
}

TEST(TextFieldsTest, ReplaceFirstCutsTextAtTheMatch) {
    char text[] = "a<b<c";
    char out[64] = "untouched";
    EXPECT_EQ(replace_first(text, "<", "&lt;", out, sizeof out), 0);
    EXPECT_STREQ(out, "a&lt;b<c");
    EXPECT_STREQ(text, "a");

    char none[] = "abc";
    EXPECT_EQ(replace_first(none, "x", "y", out, sizeof out), -1);
    EXPECT_STREQ(none, "abc");
    EXPECT_STREQ(out, "a&lt;b<c");
    EXPECT_EQ(replace_first(none, "", "y", out, sizeof out), -1);

    char grow[] = "xx";
    char small[5];
    EXPECT_EQ(replace_first(grow, "x", "12345", small, sizeof small), 0);
    EXPECT_STREQ(small, "1234");
}

}  // namespace
