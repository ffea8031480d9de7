// XML line and element writers, the escaping (checked against the classic
// step-by-step replacement) and the repair of file names.
#include "utils/xml_writer.hpp"

#include "utils/text_fields.hpp"

#include "support/test_support.hpp"

#include "common/text_buffer.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <random>
#include <string>

namespace {

// The escaping as the table describes it: each row, in order, replaces the
// first occurrence again and again, searching from the start every time.
// A buffer of XML_BUFSIZE bytes that holds the value.
std::unique_ptr<char[]> xml_buffer(const std::string& value) {
    auto text = std::make_unique<char[]>(XML_BUFSIZE);
    copy_text(text.get(), XML_BUFSIZE, value.c_str());
    return text;
}

std::string escape_step_by_step(const std::string& value) {
    static const char* const kSteps[][2] = {{"&", "##38;"},  {"##38;", "&amp;"}, {"<", "&lt;"},
                                            {">", "&gt;"},   {"\xB0", "&#176;"}, {"'", "&apos;"},
                                            {"\"", "&quot;"}};
    auto text = xml_buffer(value);
    auto work = xml_buffer("");
    for (const auto& step : kSteps) {
        while (replace_first(text.get(), step[0], step[1], work.get(), XML_BUFSIZE) == 0) {
            copy_text(text.get(), XML_BUFSIZE, work.get());
        }
    }
    return text.get();
}

std::string escape(const std::string& value) {
    auto text = xml_buffer(value);
    xml_escape(text.get());
    return text.get();
}

// Every pattern gets its reference; references and the marker already in a
// value are escaped again; high bytes other than the degree sign stay.
TEST(XmlEscapeTest, EscapesThePatternsAndNothingElse) {
    const char* const kCases[][2] = {
        {"a&b", "a&amp;b"},
        {"<x>", "&lt;x&gt;"},
        {"90\xB0", "90&#176;"},
        {"it's", "it&apos;s"},
        {"\"q\"", "&quot;q&quot;"},
        {"plain text 123", "plain text 123"},
        {"", ""},
        {"&lt;", "&amp;lt;"},
        {"##38;", "&amp;"},
        {"###38;", "#&amp;"},
        {"##38##38;;", "##38&amp;;"},
        {"#&", "#&amp;"},
        {"##38&", "##38&amp;"},
        {"##3", "##3"},
        {"\xE4\xF6\xFC\xDF\x80\xFF", "\xE4\xF6\xFC\xDF\x80\xFF"},
        {"\xB1\xB0\xAF", "\xB1&#176;\xAF"},
        // Control characters XML forbids become blanks; tab, LF and CR stay.
        {"a\x01"
         "b\x1F\x0B<\tc\nd\re",
         "a b  &lt;\tc\nd\re"},
    };
    for (const auto& [value, escaped] : kCases) EXPECT_EQ(escape(value), escaped) << value;
}

TEST(XmlEscapeTest, SinglePassEqualsStepByStepReplacement) {
    const std::string samples[] = {
        "##38;",      "&##38;&",   "#&#38;",      "##38;##38;", "&amp;&lt;&gt;",
        "<<>>''\"\"", "\xB0\xB0&", "##3&8;",      "#\xB0#38;",  "a&b<c>d'e\"f\xB0g",
        "##38",       "38;##",     "&#176;",      "####38;;",   "#&38;",
        "&&&",        "x##38;y&z", "##38;&##38;",
    };
    for (const std::string& sample : samples) {
        EXPECT_EQ(escape(sample), escape_step_by_step(sample)) << sample;
    }
    // Random texts over the characters that matter.
    const char alphabet[] = {'&', '#', '3', '8', ';', '<', '>', '\'', '"', '\xB0', 'a', '\xE4'};
    std::mt19937 random(2212);
    for (int round = 0; round < 3000; ++round) {
        std::string sample;
        const int length = static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) sample += alphabet[random() % sizeof alphabet];
        ASSERT_EQ(escape(sample), escape_step_by_step(sample)) << sample;
    }
}

TEST(XmlEscapeTest, OverlongResultIsCutBeforeAWholeReference) {
    std::string value(XML_BUFSIZE - 3, 'a');
    value += "&";  // does not fit as "&amp;"
    EXPECT_EQ(escape(value), std::string(XML_BUFSIZE - 3, 'a'));

    const std::string degrees(XML_BUFSIZE - 1, '\xB0');
    const std::string escaped = escape(degrees);
    EXPECT_EQ(escaped.size(), (XML_BUFSIZE - 1) / 6 * 6);
    EXPECT_EQ(escaped.substr(0, 12), "&#176;&#176;");

    char small[8] = "a<b";
    xml_escape(small, sizeof small);
    EXPECT_STREQ(small, "a&lt;b");
    char tiny[6] = "ab<c";
    xml_escape(tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "ab");
}

TEST(RepairFileNameTest, ReplacesEachUnsafeCharacterByOneUnderscore) {
    char name[] = "a b;c/d";
    repair_file_name(name);
    EXPECT_STREQ(name, "a_b_c_d");
    char all[] = "\\/?!#; :%='<>$\"*&";
    repair_file_name(all);
    EXPECT_STREQ(all, "_________________");
    char safe[] = "Part-01.v2_x\xE4\xB0";
    repair_file_name(safe);
    EXPECT_STREQ(safe, "Part-01.v2_x\xE4\xB0");
    std::string long_name(3000, '/');
    repair_file_name(long_name.data());
    EXPECT_EQ(long_name, std::string(3000, '_'));
}

class XmlWriterTest : public kvtx_test::GlobalStateTest {};

TEST_F(XmlWriterTest, LinesAndElementsAreAppended) {
    const std::string folder = kvtx_test::fresh_folder("xml_writer");
    const std::string report = folder + "/r.xml";
    copy_text(glob_xml_file, report.c_str());
    std::ofstream(report) << "old report\n";
    ASSERT_EQ(init_xml_file(), 0);
    EXPECT_EQ(kvtx_test::read_file(report), "");

    write_xml_line(glob_xml_file, "  <Name>%s</Name>", "a&b%d");  // lines are not escaped
    write_xml_element(glob_xml_file, "   ", "Value", "%s %d", "<5%>", 3);
    write_xml_element(glob_xml_file, " ", "Empty", "%s", "");
    EXPECT_EQ(kvtx_test::read_file(report),
              "  <Name>a&b%d</Name>\n   <Value>&lt;5%&gt; 3</Value>\n <Empty></Empty>\n");
}

TEST_F(XmlWriterTest, UncreatableReportDropsLinesQuietly) {
    copy_text(glob_xml_file, "/nonexistent-folder/r.xml");
    EXPECT_EQ(init_xml_file(), -1);
    EXPECT_EQ(write_xml_line(glob_xml_file, "x"), 0);
    EXPECT_EQ(write_xml_element(glob_xml_file, "", "E", "v"), 0);
    glob_xml_file[0] = '\0';
    EXPECT_EQ(init_xml_file(), -1);
}

TEST_F(XmlWriterTest, OverlongLineIsCutAndElementKeepsItsClosingTag) {
    const std::string folder = kvtx_test::fresh_folder("xml_long");
    const std::string report = folder + "/r.xml";
    copy_text(glob_xml_file, report.c_str());
    const std::string long_value(20000, 'v');
    write_xml_line(glob_xml_file, "%s", long_value.c_str());
    EXPECT_EQ(kvtx_test::read_file(report), std::string(XML_BUFSIZE - 1, 'v') + "\n");

    // A line without conversions is written as it stands, cut the same way;
    // "%%" is still a conversion.
    init_xml_file();
    const std::string bare_line(20000, 'b');
    const std::string fitting_line(XML_BUFSIZE - 1, 'f');
    write_xml_line(glob_xml_file, bare_line.c_str(), 0);
    write_xml_line(glob_xml_file, fitting_line.c_str(), 0);
    write_xml_line(glob_xml_file, "  <Rate>5%%</Rate>");
    EXPECT_EQ(kvtx_test::read_file(report),
              std::string(XML_BUFSIZE - 1, 'b') + "\n" + fitting_line + "\n  <Rate>5%</Rate>\n");

    init_xml_file();
    write_xml_element(glob_xml_file, "  ", "Value", "%s", long_value.c_str());
    write_xml_element(glob_xml_file, "  ", "Value", "%s", std::string(5000, '<').c_str());
    const int value_room = XML_BUFSIZE - 1 - 17;  // indent and both tags take 17
    std::string references;                       // whole references only
    for (int i = 0; i < value_room / 4; ++i) references += "&lt;";
    const std::string plain_cut(value_room, 'v');
    EXPECT_EQ(kvtx_test::read_file(report),
              "  <Value>" + plain_cut + "</Value>\n  <Value>" + references + "</Value>\n");

    // Tags longer than a line leave no room for the value: the line is cut.
    init_xml_file();
    const std::string long_element(XML_BUFSIZE / 2, 'E');
    write_xml_element(glob_xml_file, " ", long_element.c_str(), "%d", 7);
    EXPECT_EQ(kvtx_test::read_file(report),
              (" <" + long_element + "></" + long_element).substr(0, XML_BUFSIZE - 1) + "\n");
}

// An element line at the line's limit stays whole; one byte past it, only the
// value is cut (before a whole reference when escaped), never the tags.
TEST_F(XmlWriterTest, ElementLineAtTheLimitAndOnePastKeepsItsTags) {
    const std::string report = kvtx_test::fresh_folder("xml_limit") + "/r.xml";
    copy_text(glob_xml_file, report.c_str());
    const std::size_t room = XML_BUFSIZE - 1 - 17;  // "  <Value>" and "</Value>"
    const std::string a(room, 'a');
    const std::string amp = std::string(room - 5, 'a') + "&";  // "&amp;" just fits
    struct Case {
        bool escaped;
        std::string value, written;
    } const cases[] = {
        {false, a, a},
        {false, a + "b", a},
        {false, a.substr(1) + "&", a.substr(1) + "&"},
        {true, a, a},
        {true, a + "b", a},
        {true, amp, amp.substr(0, room - 5) + "&amp;"},
        {true, "a" + amp, "a" + amp.substr(0, room - 5)},
    };
    for (const Case& c : cases) {
        init_xml_file();
        if (c.escaped) {
            write_xml_element(glob_xml_file, "  ", "Value", "%s", c.value.c_str());
        } else {
            write_xml_value_line(glob_xml_file, "  ", "Value", "%s", c.value.c_str());
        }
        EXPECT_EQ(kvtx_test::read_file(report), "  <Value>" + c.written + "</Value>\n")
            << (c.escaped ? "escaped, " : "as it stands, ") << c.value.size() << " bytes";
    }
}

}  // namespace
