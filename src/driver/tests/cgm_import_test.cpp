// The CGM import mode on parts and CGM files made in the test: both files on
// one layer, an object that cannot be moved, and a failed second import.
#include "driver/cgm_import.hpp"

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "common/run_settings.hpp"
#include "common/text_buffer.hpp"
#include "support/test_support.hpp"

namespace {

// BEGIN METAFILE, a picture with one line from (0,0) to (10,0), END METAFILE.
const std::vector<unsigned char> kOneLine = {0x00, 0x22, 0x01, 'a',  0x00, 0x62, 0x01, 'p',
                                             0x00, 0x80, 0x40, 0x28, 0x00, 0x00, 0x00, 0x00,
                                             0x00, 0x0A, 0x00, 0x00, 0x00, 0xA0, 0x00, 0x40};

class CgmImportModeTest : public kvtx_test::GlobalStateTest {
  protected:
    void SetUp() override {
        GlobalStateTest::SetUp();
        folder_ = kvtx_test::fresh_folder("cgm_import_mode");
        standin::PartBuilder("template").write(folder_ + "/template.prt");
        std::ofstream(folder_ + "/line.cgm", std::ios::binary)
            .write(reinterpret_cast<const char*>(kOneLine.data()),
                   static_cast<std::streamsize>(kOneLine.size()));
        apply_import_settings();
    }
    // The import mode's settings for the files of the fixture.
    void apply_import_settings() {
        kvtx_test::apply_import_settings({.part_template = folder_ + "/template.prt",
                                          .new_part = folder_ + "/overlay.prt",
                                          .first_file = folder_ + "/line.cgm",
                                          .second_file = folder_ + "/line.cgm",
                                          .first_layer = 4,
                                          .second_layer = 4,
                                          .x_offset = 0.5,
                                          .y_offset = 0.25});
    }
    std::string folder_;
};

TEST_F(CgmImportModeTest, SameLayerTwiceMovesAndRecoloursBothFiles) {
    ASSERT_EQ(cgm_import_to_part_file(), 0);
    const std::vector<std::string> log = kvtx_test::logged_messages();
    const std::string text = kvtx_test::read_file(folder_ + "/overlay.prt");
    EXPECT_NE(std::find(log.begin(), log.end(), "Info: Import Cgm1_File (1 objects) --> passed"),
              log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "Info: Import Cgm2_File (2 objects) --> passed"),
              log.end());
    // Both lines sit on layer 4 in colour 5, each moved once, by the second walk.
    EXPECT_NE(
        text.find(R"("layer":4,"color":5,"line":{"start":[0.5,0.25,0.0],"end":[10.5,0.25,0.0]})"),
        std::string::npos)
        << text;
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), NULL_TAG);  // all parts closed
}

TEST_F(CgmImportModeTest, ObjectThatCannotBeMovedIsLoggedAndTheWalkGoesOn) {
    standin::set_fault("rq5947", 646);
    ASSERT_EQ(cgm_import_to_part_file(), 0);
    const std::vector<std::string> log = kvtx_test::logged_messages();
    const std::string line =
        "Error: 646  = " + kvtx_test::host_fail_message(646) + " transforming Obj";
    EXPECT_EQ(std::count(log.begin(), log.end(), line), 2);
    EXPECT_TRUE(kvtx_test::file_exists(folder_ + "/overlay.prt"));
}

TEST_F(CgmImportModeTest, FailedSecondImportSavesNothing) {
    copy_text(cgm2_file, (folder_ + "/absent.cgm").c_str());
    cgm2_layer_number = 2;
    EXPECT_EQ(cgm_import_to_part_file(), -1002);
    const std::vector<std::string> log = kvtx_test::logged_messages();
    const std::string line = "CGM_Error: importing Cgm2_File " + folder_ +
                             "/absent.cgm (cannot open the file: No such file or directory)";
    EXPECT_NE(std::find(log.begin(), log.end(), line), log.end());
    EXPECT_FALSE(kvtx_test::file_exists(folder_ + "/overlay.prt"));
    EXPECT_NE(RQ_ASSEM_ask_work_part(), NULL_TAG);  // the template stays open
    EXPECT_EQ(first_error_code, RQ_err_file_not_found);
}

// A failed save leaves no overlay part: the mode must not report success.
TEST_F(CgmImportModeTest, FailedSaveIsNoSuccess) {
    standin::set_fault("RQ_PART_save_as", RQ_err_file_write);
    EXPECT_EQ(cgm_import_to_part_file(), -1002);
    EXPECT_FALSE(kvtx_test::file_exists(folder_ + "/overlay.prt"));
    EXPECT_EQ(first_error_code, RQ_err_file_write);
    EXPECT_EQ(RQ_ASSEM_ask_work_part(), NULL_TAG);  // closed all the same
}

// A failed matrix, layer or layer-walk call would spoil the overlay: nothing
// is saved.
TEST_F(CgmImportModeTest, FailedMatrixOrLayerCallSavesNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {"rq5943", "CGM_Error: making the move matrix for Cgm2_File"},
        {"RQ_LAYER_set_status", "CGM_Error: setting work layer [4] for Cgm1_File"},
        {"RQ_LAYER_cycle_by_layer", "CGM_Error: walking layer [4] of Cgm1_File"},
    };
    for (const auto& [call, logged] : cases) {
        SCOPED_TRACE(call);
        kvtx_test::reset_global_state();
        apply_import_settings();
        RQ_initialize();
        standin::set_fault(call, RQ_err_bad_argument);
        EXPECT_EQ(cgm_import_to_part_file(), -1002);
        const std::vector<std::string> log = kvtx_test::logged_messages();
        EXPECT_NE(std::find(log.begin(), log.end(), logged), log.end());
        EXPECT_EQ(first_error_code, RQ_err_bad_argument);
        EXPECT_FALSE(kvtx_test::file_exists(folder_ + "/overlay.prt"));
    }
}

}  // namespace
