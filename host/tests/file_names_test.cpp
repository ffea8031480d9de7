// uc4574 / uc4575 / uc4576: leaf names, path joins and the split of a file spec.
#include <gtest/gtest.h>
#include <rq/rq.h>

#include <cstring>
#include <string>

namespace {

std::string leaf(const char* spec, int mode = 2, int* code = nullptr) {
    char out[516] = "garbage";
    const int rc = uc4574(spec, mode, out);
    if (code) *code = rc;
    return out;
}

std::string join(const char* folder, const char* file, int* code = nullptr) {
    char out[516] = "garbage";
    const int rc = uc4575(folder, 0, file, out);
    if (code) *code = rc;
    return out;
}

TEST(FileNames, LeafWithoutFolderAndExtension) {
    EXPECT_EQ(leaf("/data/parts/p4711.prt"), "p4711");
    EXPECT_EQ(leaf("p4711.prt"), "p4711");
    EXPECT_EQ(leaf("/data/v1.2/p4711"), "p4711");
    EXPECT_EQ(leaf("/data/archive.tar.gz"), "archive.tar");
    EXPECT_EQ(leaf("/data/.hidden"), ".hidden");
    EXPECT_EQ(leaf("/data/parts/"), "");
    EXPECT_EQ(leaf(""), "");
    EXPECT_EQ(leaf("/data/p4711.prt", 1), "p4711.prt");
    int code = 0;
    EXPECT_EQ(leaf("/data/p4711.prt", 7, &code), "");
    EXPECT_EQ(code, RQ_err_bad_argument);
}

TEST(FileNames, OverlongLeafIsCutWithinTheBuffer) {
    const std::string spec = "/d/" + std::string(600, 'x') + ".prt";
    int code = 0;
    struct {
        char out[516];
        char guard[4];
    } area;
    std::memcpy(area.guard, "GGGG", 4);
    code = uc4574(spec.c_str(), 2, area.out);
    EXPECT_EQ(code, RQ_err_bad_argument);
    EXPECT_EQ(std::string(area.out), std::string(515, 'x'));
    EXPECT_EQ(std::string(area.guard, 4), "GGGG");
}

TEST(FileNames, JoinPutsExactlyOneSeparator) {
    EXPECT_EQ(join("/out", "p.xml"), "/out/p.xml");
    EXPECT_EQ(join("/out/", "p.xml"), "/out/p.xml");
    EXPECT_EQ(join("/out//", "/p.xml"), "/out/p.xml");
    EXPECT_EQ(join("/", "p.xml"), "/p.xml");
    EXPECT_EQ(join("", "p.xml"), "p.xml");
    EXPECT_EQ(join("/out/", ""), "/out/");
    EXPECT_EQ(join("rel", "sub/p.xml"), "rel/sub/p.xml");

    int code = 0;
    EXPECT_EQ(join(std::string(300, 'a').c_str(), std::string(215, 'b').c_str(), &code), "");
    EXPECT_EQ(code, RQ_err_bad_argument);  // 516 characters: no cut path
    EXPECT_EQ(join(std::string(300, 'a').c_str(), std::string(214, 'b').c_str(), &code).size(),
              515u);
    EXPECT_EQ(code, 0);
    char out[516];
    EXPECT_EQ(uc4575("/out", 1, "p", out), RQ_err_bad_argument);
    EXPECT_EQ(uc4575(nullptr, 0, "p", out), RQ_err_bad_argument);
}

TEST(FileNames, SplitLeavesTheFolderUntouchedInModeZero) {
    char folder[1024] = "/configured/out/";
    char name[516] = "";
    EXPECT_EQ(uc4576("/data/parts/p4711.prt", 0, folder, name), 0);
    EXPECT_STREQ(folder, "/configured/out/");
    EXPECT_STREQ(name, "p4711.prt");
    EXPECT_EQ(uc4576("/data/parts/p4711.prt", 1, folder, name), 0);
    EXPECT_STREQ(folder, "/data/parts");
    EXPECT_EQ(uc4576("p4711.prt", 0, folder, nullptr), 0);
    EXPECT_EQ(uc4576("p4711.prt", 3, folder, name), RQ_err_bad_argument);
}

}  // namespace
