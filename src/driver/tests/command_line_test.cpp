// The option pass of the console program: matching, values, switches, the
// echo list and the help and part-list exits.
#ifndef KAVOTALVEX_PLUGIN

#include "driver/command_line.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/run_settings.hpp"
#include "driver/console_start.hpp"
#include "support/test_support.hpp"

namespace {

class OptionPassTest : public ::testing::Test {
  protected:
    void SetUp() override {
        kvtx_test::reset_global_state();
        set_run_defaults();
    }
    void TearDown() override { kvtx_test::reset_global_state(); }

    // Runs the pass on the program path followed by the arguments.
    int read(std::initializer_list<std::string> arguments) {
        storage_.assign({"/opt/kavo/kavotalvex"});
        storage_.insert(storage_.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : storage_) argv.push_back(argument.data());
        echo_ = InputParameterList{};
        testing::internal::CaptureStdout();
        const int status = read_command_line(static_cast<int>(argv.size()), argv.data(), echo_);
        stdout_ = testing::internal::GetCapturedStdout();
        return status;
    }

    std::vector<std::string> echo() const { return {echo_.entries, echo_.entries + echo_.count}; }

    std::vector<std::string> storage_;
    InputParameterList echo_;
    std::string stdout_;
};

TEST_F(OptionPassTest, ValuesAreTakenBehindTheOptionTextFromTheArgumentsStart) {
    ASSERT_EQ(read({"-outdir=/tmp/out", "-part=/parts/a.prt", "-Sheet=SHT1", "-journal=j.txt",
                    "-DetailOption=25,26", "x-outdir=/elsewhere"}),
              0);
    // The option text is found anywhere, but the value is counted from the start.
    EXPECT_STREQ(global_outdir, "=/elsewhere");
    EXPECT_STREQ(single_part, "/parts/a.prt");
    EXPECT_STREQ(sheet_list, "SHT1");
    EXPECT_STREQ(journal_file, "j.txt");
    EXPECT_STREQ(detail_option, "25,26");
    EXPECT_EQ(pim_mode, 0);
}

TEST_F(OptionPassTest, ContainedSwitchesMatchWithMoreLettersEqualOnesDoNot) {
    ASSERT_EQ(read({"-UpdateAllViewsPlease", "-StruktureSync", "-SaveWorkPart=1",
                    "-DrawingSnapShotCreate ", "-pim=no"}),
              0);
    EXPECT_EQ(update_all_views, 1);
    EXPECT_EQ(structure_sync, 1);
    EXPECT_EQ(save_work_part, 0);
    EXPECT_EQ(drawing_snapshot_create, 0);
    EXPECT_EQ(pim_mode, 0);
    EXPECT_EQ(echo(), (std::vector<std::string>{
                          "-UpdateAllViewsPlease", "-StruktureSync", "-SaveWorkPart=1 (unknown)",
                          "-DrawingSnapShotCreate  (unknown)", "-pim=no (unknown)"}));

    ASSERT_EQ(read({"-SaveWorkPart", "-DrawingSnapShotCreate", "-UpdateAllFeatures",
                    "-UpdateViaFeatureReplay", "-pim=yes"}),
              0);
    EXPECT_EQ(save_work_part, 1);
    EXPECT_EQ(drawing_snapshot_create, 1);
    EXPECT_EQ(update_all_features, 1);
    EXPECT_EQ(updateviafeaturereplay, 1);
    EXPECT_EQ(pim_mode, 1);
}

TEST_F(OptionPassTest, EchoListKeepsArgumentOrderHidesThePasswordAndSkipsTheProgramPath) {
    ASSERT_EQ(read({"-u=kavo", "-p=secret", "-g=quality", "-bogus", "-outdir=a", "-outdir=b"}), 0);
    EXPECT_EQ(echo(), (std::vector<std::string>{"-u=kavo", "-p=*", "-g=quality", "-bogus (unknown)",
                                                "-outdir=a", "-outdir=b"}));
    EXPECT_STREQ(global_outdir, "b");  // the later value wins
}

TEST_F(OptionPassTest, EchoListStopsAtItsFiftyEntries) {
    storage_.assign(60, "-StruktureSync");
    std::vector<char*> argv;
    for (std::string& argument : storage_) argv.push_back(argument.data());
    InputParameterList list;
    ASSERT_EQ(read_command_line(static_cast<int>(argv.size()), argv.data(), list), 0);
    EXPECT_EQ(list.count, INPUT_PARAMETER_ENTRIES);

    // An overlong argument is cut to the entry's 255 characters.
    const std::string long_argument = "-Sheet=" + std::string(400, 'S');
    ASSERT_EQ(read({long_argument}), 0);
    EXPECT_EQ(echo().at(0), long_argument.substr(0, 255));
}

TEST_F(OptionPassTest, DatabasePartNamesSwitchTheLoginOn) {
    for (const char* name : {"@db/4711", "@DB/4711", "@Db/4711", "@dB/4711"}) {
        set_run_defaults();
        ASSERT_EQ(read({std::string("-part=") + name}), 0);
        EXPECT_EQ(pim_mode, 1) << name;
    }
    set_run_defaults();
    ASSERT_EQ(read({"-part=@db\\4711"}), 0);
    EXPECT_EQ(pim_mode, 0);
}

TEST_F(OptionPassTest, ActionListHoldsTheWholeArgumentOrExactlyTheImportKeyword) {
    ASSERT_EQ(read({"-Action=ModelGetData,DrawingGetData"}), 0);
    EXPECT_STREQ(action_list, "-Action=ModelGetData,DrawingGetData");
    ASSERT_EQ(read({"-Action=xCgmImportToKavoPartFile,y"}), 0);
    EXPECT_STREQ(action_list, "CgmImportToKavoPartFile");
}

TEST_F(OptionPassTest, ColourOptionKeepsOneDigitFromZeroToFive) {
    ASSERT_EQ(read({"-Cgm_Def_Color_Option=3"}), 0);
    EXPECT_STREQ(cgm_def_color_option, "3");
    EXPECT_EQ(echo().at(0), "-Cgm_Def_Color_Option=3");
    for (const char* value : {"-1", "35", "6", "", "x"}) {
        ASSERT_EQ(read({std::string("-Cgm_Def_Color_Option=") + value}), 0);
        EXPECT_STREQ(cgm_def_color_option, "-1") << value;
        EXPECT_EQ(echo().at(0), std::string("-Cgm_Def_Color_Option=") + value + " --> set to -1");
    }
}

TEST_F(OptionPassTest, AccuracyIsKeptAboveZeroUpToOneElseDefault) {
    const std::pair<const char*, double> cases[] = {{"1", 1.0},    {"0.5", 0.5},   {"0.5abc", 0.5},
                                                    {"0", 0.99},   {"-0.2", 0.99}, {"1.01", 0.99},
                                                    {"abc", 0.99}, {"", 0.99}};
    for (const auto& [text, expected] : cases) {
        body_calc_accuracy = 0.0;
        ASSERT_EQ(read({std::string("-Accuracy=") + text}), 0);
        EXPECT_DOUBLE_EQ(body_calc_accuracy, expected) << text;
        EXPECT_STREQ(accuracy_option_text, text);
    }
}

TEST_F(OptionPassTest, MaxAssemblyLevelReadsALeadingNumberElseAllLevels) {
    const std::pair<const char*, int> cases[] = {{"2", 2}, {"0", 0}, {"3x", 3}, {"x", -1}};
    for (const auto& [text, expected] : cases) {
        global_max_assembly_level = 99;
        ASSERT_EQ(read({std::string("-MaxAssemblyLevel=") + text}), 0);
        EXPECT_EQ(global_max_assembly_level, expected) << text;
        EXPECT_STREQ(global_max_assembly_level_String, text);
    }
}

TEST_F(OptionPassTest, CgmImportValuesAreStoredAsTexts) {
    ASSERT_EQ(read({"-Cgm1_Layer=12", "-Cgm2_Layer=x", "-Cgm1_Color=7", "-Cgm2_Color=8",
                    "-Cgm2_xOffset=-1.5", "-Cgm2_yOffset=2", "-CgmtoPartFile=t.prt",
                    "-PartTemplate=tpl.prt", "-Cgm1_File=a.cgm", "-Cgm2_File=b.cgm"}),
              0);
    EXPECT_STREQ(cgm1_layer_text, "12");
    EXPECT_STREQ(cgm2_layer_text, "x");
    EXPECT_STREQ(cgm1_color_text, "7");
    EXPECT_STREQ(cgm2_color_text, "8");
    EXPECT_STREQ(cgm2_xoffset_text, "-1.5");
    EXPECT_STREQ(cgm2_yoffset_text, "2");
    EXPECT_STREQ(cgm_topartfile, "t.prt");
    EXPECT_STREQ(cgm_part_template, "tpl.prt");
    EXPECT_STREQ(cgm1_file, "a.cgm");
    EXPECT_STREQ(cgm2_file, "b.cgm");
}

TEST_F(OptionPassTest, HelpIsOnlyTheExactOptionAndPrintsTheUsageOfTheModeSoFar) {
    EXPECT_EQ(read({"-H", "-help2", "-Help"}), 0);
    EXPECT_EQ(read({"-?"}), -1);
    EXPECT_NE(stdout_.find("Usage for Check Actions:"), std::string::npos);
    EXPECT_EQ(stdout_.find("Usage for CGM import:"), std::string::npos);

    EXPECT_EQ(read({"-Action=CgmImportToKavoPartFile", "-h", "-outdir=never"}), -1);
    EXPECT_NE(stdout_.find("Usage for CGM import:"), std::string::npos);
    EXPECT_EQ(stdout_.find("Usage for Check Actions:"), std::string::npos);
    EXPECT_STREQ(global_outdir, "");  // the pass ended at the help option

    set_run_defaults();
    EXPECT_EQ(read({"-help", "-Action=CgmImportToKavoPartFile"}), -1);
    EXPECT_NE(stdout_.find("Usage for Check Actions:"), std::string::npos);
}

TEST_F(OptionPassTest, UnreadablePartListEndsThePassBeforeHelp) {
    EXPECT_EQ(read({"-partList=/no/such/list.txt", "-help"}), -2);
    EXPECT_EQ(stdout_,
              "\n Inputlist not found"
              "\n-inputlist____________________:|/no/such/list.txt|"
              "\n-inputlist with path__________:||");
}

TEST_F(OptionPassTest, LogAndResultNamesAreTheValuesAndAReadableListIsFound) {
    const std::string folder = kvtx_test::fresh_folder("option_pass_files");
    const std::string list = folder + "/list.txt";
    std::FILE* file = std::fopen(list.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    ASSERT_EQ(read({"-log=" + folder + "/run.log", "-result=" + list, "-partList=" + list}), 0);
    EXPECT_EQ(std::string(program_log_file), folder + "/run.log");
    EXPECT_EQ(std::string(log_file_option_text), folder + "/run.log");
    EXPECT_EQ(std::string(program_result_file), list);
    EXPECT_EQ(std::string(part_list_file), list);
    EXPECT_EQ(std::string(part_list_path), list);
}

TEST_F(OptionPassTest, FirstMatchingRowDecides) {
    // "-p=" comes before "-journal=" in the table; "-partList=" before "-part=".
    ASSERT_EQ(read({"-journal=a-p=b"}), 0);
    EXPECT_STREQ(journal_file, "");
    EXPECT_EQ(echo().at(0), "-p=*");
}

}  // namespace

#endif  // KAVOTALVEX_PLUGIN
