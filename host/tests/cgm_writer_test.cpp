// The binary CGM writer: the minimal file octet for octet, short and long
// forms, partitions, pad octets and long strings, each checked by the
// independent structural checker; and the atomic file write.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "drafting/cgm/cgm_writer.hpp"
#include "host_fixture.hpp"
#include "support/cgm_structure.hpp"

namespace {

using namespace standin::cgm;

std::string as_text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(CgmWriter, MinimalFileOctetForOctet) {
    Bytes out;
    begin_metafile(out, "minimal");
    metafile_version(out, 1);
    metafile_element_list_drawing_set(out);
    begin_picture(out, "sheet1");
    begin_picture_body(out);
    polyline(out, {{1000, 1000}, {20000, 1000}, {20000, 20000}, {1000, 20000}, {1000, 1000}});
    text(out, {5000, 15000}, "HELLO CGM");
    end_picture(out);
    end_metafile(out);

    const Bytes expected = {
        0x00, 0x28, 7,    'm',  'i',  'n',  'i',  'm',  'a',  'l',         // BEGIN METAFILE
        0x10, 0x22, 0x00, 0x01,                                            // METAFILE VERSION 1
        0x11, 0x66, 0x00, 0x01, 0xFF, 0xFF, 0x00, 0x00,                    // ELEMENT LIST
        0x00, 0x67, 6,    's',  'h',  'e',  'e',  't',  '1',  0x00,        // BEGIN PICTURE, pad
        0x00, 0x80,                                                        // BEGIN PICTURE BODY
        0x40, 0x34, 0x03, 0xE8, 0x03, 0xE8, 0x4E, 0x20, 0x03, 0xE8, 0x4E,  // POLYLINE
        0x20, 0x4E, 0x20, 0x03, 0xE8, 0x4E, 0x20, 0x03, 0xE8, 0x03, 0xE8,  //
        0x40, 0x90, 0x13, 0x88, 0x3A, 0x98, 0x00, 0x01, 9,    'H',  'E',   // TEXT
        'L',  'L',  'O',  ' ',  'C',  'G',  'M',                           //
        0x00, 0xA0,                                                        // END PICTURE
        0x00, 0x40};                                                       // END METAFILE
    ASSERT_EQ(out.size(), 78u);
    EXPECT_EQ(out, expected);
    // No VDC EXTENT or CHARACTER HEIGHT: well formed, but not of our subset.
    EXPECT_EQ(cgm_structure::check(as_text(out), nullptr, false), "");
    EXPECT_EQ(cgm_structure::check(as_text(out)), "picture without VDC EXTENT");
}

// A parameter list of exactly `size` octets of a count pattern.
Bytes params_of(std::size_t size) {
    Bytes params(size);
    for (std::size_t i = 0; i < size; ++i) params[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return params;
}

TEST(CgmWriter, ShortAndLongFormsRoundTrip) {
    // 30 octets is the last short form; 31 and 32 are long; 40001 takes two
    // partitions, the first even.
    for (std::size_t size : {0u, 1u, 29u, 30u, 31u, 32u, 32766u, 32767u, 40001u}) {
        Bytes out;
        put_element(out, kApplicationData, params_of(size));
        EXPECT_EQ(out.size() % 2, 0u) << size;
        const bool long_form = size > 30;
        EXPECT_EQ(length_of_header(get_word(out.data())), long_form ? 31 : static_cast<int>(size));
        std::size_t pos = 0;
        std::string error;
        auto element = read_element(out, pos, error);
        ASSERT_TRUE(element) << size << ": " << error;
        EXPECT_EQ(element->code, kApplicationData);
        EXPECT_EQ(element->params, params_of(size)) << size;
        EXPECT_EQ(pos, out.size()) << size;
        if (size == 40001) {
            EXPECT_EQ(get_word(&out[2]), 0x8000 | 32766);  // first partition, more follows
        }
    }
}

TEST(CgmWriter, StringsShortLongAndPartitioned) {
    for (std::size_t size : {0u, 254u, 255u, 300u, 32767u, 40000u}) {
        std::string characters(size, 'x');
        for (std::size_t i = 0; i < size; ++i) characters[i] = static_cast<char>('A' + i % 26);
        Bytes out;
        begin_metafile(out, "strings");
        metafile_version(out, 1);
        metafile_element_list_drawing_set(out);
        begin_picture(out, characters);  // a long picture name too
        vdc_extent(out, {0, 0}, {100, 100});
        begin_picture_body(out);
        character_height(out, 5);
        text(out, {1, 2}, characters);
        end_picture(out);
        end_metafile(out);
        cgm_structure::Summary summary;
        ASSERT_EQ(cgm_structure::check(as_text(out), &summary), "") << size;
        ASSERT_EQ(summary.texts.size(), 1u);
        EXPECT_EQ(summary.texts[0], characters) << size;

        Bytes params;
        put_string(params, characters);
        EXPECT_EQ(params[0], size < 255 ? size : 255u);
        std::size_t pos = 0;
        EXPECT_EQ(read_string(params, pos), characters);
        EXPECT_EQ(pos, params.size());
    }
}

TEST(CgmWriter, OddParameterListsArePadded) {
    Bytes out;
    line_colour(out, 300);  // one octet, clamped to 255
    background_colour(out, 1, 2, 3);
    EXPECT_EQ(out, (Bytes{0x50, 0x81, 0xFF, 0x00, 0x20, 0xE3, 1, 2, 3, 0x00}));
}

TEST(CgmWriter, ReaderHelpersRefuseTruncatedData) {
    Bytes out;
    text(out, {1, 2}, "abc");
    std::string error;
    for (std::size_t cut = 1; cut < out.size() - 1; ++cut) {
        Bytes part(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(cut));
        std::size_t pos = 0;
        EXPECT_FALSE(read_element(part, pos, error)) << cut;
        EXPECT_NE(cgm_structure::check(as_text(part), nullptr, false), "") << cut;
    }
}

TEST(CgmStructure, FindsMalformedFiles) {
    Bytes good;
    begin_metafile(good, "mm");
    metafile_version(good, 1);
    metafile_element_list_drawing_set(good);
    begin_picture(good, "p");
    vdc_extent(good, {0, 0}, {10, 10});
    begin_picture_body(good);
    character_height(good, 1);
    end_picture(good);
    end_metafile(good);
    ASSERT_EQ(cgm_structure::check(as_text(good)), "");

    std::string trailing = as_text(good) + std::string("\0\0", 2);
    EXPECT_EQ(cgm_structure::check(trailing), "octets after END METAFILE at octet 42");
    std::string bad_pad = as_text(good);
    bad_pad[5] = 'x';  // pad after BEGIN METAFILE "mm"
    EXPECT_EQ(cgm_structure::check(bad_pad), "pad octet not zero at octet 5");
    Bytes no_version;
    begin_metafile(no_version, "m");
    metafile_element_list_drawing_set(no_version);
    EXPECT_EQ(cgm_structure::check(as_text(no_version)),
              "METAFILE VERSION does not follow BEGIN METAFILE");
    Bytes outside = good;
    outside.resize(outside.size() - 2);
    put_element(outside, kRestrictedText, {});  // not a descriptor element
    end_metafile(outside);
    EXPECT_NE(cgm_structure::check(as_text(outside)), "");
}

class CgmFileWrite : public HostTest {};

// Files of another writer pass the framing check (skipped where GNU
// plotutils is not installed).
TEST_F(CgmFileWrite, StructureCheckAcceptsGraphOutput) {
    if (std::system("command -v graph >/dev/null 2>&1") != 0) GTEST_SKIP() << "no graph";
    const std::filesystem::path file = path("graph.cgm");
    const std::string command =
        "printf '0 0\\n1 1\\n2 0\\n' | graph -T cgm > '" + file.string() + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    cgm_structure::Summary summary;
    EXPECT_EQ(cgm_structure::check(read_file(file.string()), &summary, false), "");
    EXPECT_EQ(summary.pictures, 1);
}

TEST_F(CgmFileWrite, WritesWholeFilesOrNone) {
    const Bytes data = {0x00, 0x40};
    ASSERT_EQ(write_metafile(path("a.cgm"), data), 0);
    EXPECT_EQ(read_file(path("a.cgm")), std::string("\x00\x40", 2));
    ASSERT_EQ(write_metafile(path("a.cgm"), Bytes{0x00, 0x28, 0, 0}), 0);  // replaced whole
    EXPECT_EQ(read_file(path("a.cgm")).size(), 4u);

    EXPECT_EQ(write_metafile(path("missing/b.cgm"), data), RQ_err_cgm_write);
    EXPECT_EQ(write_metafile(path(""), data), RQ_err_cgm_write);  // the folder itself
    EXPECT_EQ(write_metafile("", data), RQ_err_cgm_write);
    std::filesystem::create_directory(path("dir.cgm"));
    EXPECT_EQ(write_metafile(path("dir.cgm"), data), RQ_err_cgm_write);
    // A leaf of 255 characters, the longest a folder takes.
    const std::string longest(251, 'n');
    EXPECT_EQ(write_metafile(path(longest + ".cgm"), data), 0);
    // Nothing but the written files and the folder is left behind.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder_)) {
        if (e.path().filename().string().find("cgm") != std::string::npos) ++entries;
    }
    EXPECT_EQ(entries, 3);
}

}  // namespace
