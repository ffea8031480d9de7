// Usage texts of the console program, kept as tables of lines. Each line is
// written as a newline followed by its text.
#ifndef KAVOTALVEX_PLUGIN

#include "driver/usage_texts.hpp"

#include <cstdio>

#include "common/rulers.hpp"

namespace {

// Each usage line stays one literal, so that grep finds it.
// clang-format off
// Stands for a line of 119 hyphens.
constexpr char kDashes[] = "<dashes>";

constexpr const char* kCheckUsage[] = {
    "",
    kDashes,
    "Usage for Check Actions:",
    "------",
    "kavotalvex ...",
    "-partList=<partlist>",
    "-part=<partname>",
    "-outdir=<outputdir>",
    "",
    "[-log=<logfile>]",
    "[-result=<resultfile>]",
    "[-pim=yes]",
    "[-u=<username> -p=<password> -g=<6]>]",
    "[-LORN_revision_rule_name=<revision Rule Name>",
    "[-Action=<action1,...,action_n>]    example: -Action=ModelGetData,AssemblyGetData,DrawingGetData   (default: all Checks)",
    "[-DetailOption=<All|{2,3,4,5,6,7,8,...}>",
    "[-MaxAssemblyLevel=<-1|0|1|2|3|4|5|6|7|8,...}>  (default: all Levels) (-1=all Levels) Example: 2 means until level 2",
    "[-UpdateAllFeatures]                --> feature replay",
    "[-UpdateViaFeatureReplay]           --> set first feature and last feature",
    "[-StruktureSync]                    --> assembly structure refresh",
    "[-UpdateAllViews]                   --> update of drawing views",
    "[-Sheet=<sheet1,...,sheetn>]        example: -Sheet=SHT1,SHT2  (default: all sheets, with view) keys: _All_,_with_view_",
    "[-ExtractCGM_toDir=<dirname>]       example: -ExtractCGM_toDir=V:\\cgm_dir",
    "[-DrawingSnapShotCreate]            --> create CGM snapshots of all drawings (Kavo7.5ff) after update funcitons and with -SaveWorkPart Option",
    "[-SaveWorkPart]                     --> Saves the workpart after checking",
    "[-Accuracy=<accuracy>               --> Accuracy Value for Body mass property calculation (Default is .99",
    "[-Cgm_Def_Color_Option={-1,0,1,2,3,4,5}]",
    "                       -1: old CGM function (default)",
    "                        0: RQ_PLOT_AS_DISPLAYED_COLORS",
    "                        1: RQ_PLOT_PART_COLORS",
    "                        2: RQ_PLOT_CUSTOM_PALETTE_COLORS",
    "                        3: RQ_PLOT_BLACK_ON_WHITE",
    "                        4: RQ_PLOT_LEGACY_COLORS",
    "                        5: RQ_PLOT_COLOR_BY_WIDTH",
    "",
    "Example: kavotalvex -log=c:\\temp\\mylog.txt  -outdir=c:\\temp\\refile -partList=r:\\partlist.txt",
    "Example: kavotalvex -pim=yes -u=myaccount -p=trumbelsok -log=D:\\mylog.txt  -outdir=X:\\myldir  -partList=r:\\partlist.txt",
    "Example: kavotalvex -pim=yes -u=mya -p=vek -log=D:\\log.txt -partList=r:\\list.txt -ExtractCGM_toDir=r:\\cgm_dir -Sheet=_All_,_with_view_",
    "Example: kavotalvex -Cgm_Def_Color_Option=3 -log=r:\\mylog.txt  -ExtractCGM_toDir=r:\\cgm_dir -partList=r:\\partlist.txt",
    "Example: kavotalvex -log=c:\\temp\\mylog.txt  -outdir=c:\\temp\\refile -partList=r:\\partlist.txt -SaveWorkPart -DrawingSnapShotCreate  -UpdateAllViews -UpdateAllFeatures",
    kDashes,
    "",
};

constexpr const char* kCgmImportUsage[] = {
    "",
    kDashes,
    "Usage for CGM import:",
    "------",
    "kavotalvex ...",
    "-Action=CgmImportToKavoPartFile",
    "-PartTemplate=<template partname> --> must exist",
    "-CgmtoPartFile=<new partname>     --> new",
    "-Cgm1_File=<1st cgm file>         --> must exist",
    "-Cgm2_File=<2nd cgm file>         --> must exist",
    "",
    "[-Cgm1_Layer=<Layer for 1st Cgm import file>]         (Value:{1-256}   default=1)",
    "[-Cgm2_Layer=<Layer for 2nd Cgm import file>]         (Value:{1-256}   default=2)",
    "[-Cgm1_Color=<Color for 1st Cgm import file>]         (Value:{1-256}   default=1)",
    "[-Cgm2_Color=<Color for 2nd Cgm import file>]         (Value:{1-256}   default=5)",
    "[-Cgm2_xOffset=<X-Offset for 2nd Cgm import file>]    (default=0.050)",
    "[-Cgm2_yOffset=<Y-Offset for 2nd Cgm import file>]    (default=0.025)",
    "-log=<logfile>",
    "",
    "Example: KavoTalvex.exe -Action=CgmImportToKavoPartFile -cgm1_Layer=1 -Cgm2_Layer=2 -Cgm2_xOffset=0.05 -Cgm2_yOffset=0.025 -Cgm1_Color=1 -Cgm2_Color=5 -CgmtoPartFile=D:\\p4711_SHT1_diff.prt -PartTemplate=D:\\cgm_template.prt -Cgm1_File=D:\\kavo4_results\\p4711_SHT1.cgm  -Cgm2_File=D:\\kavo6_results\\p4711_SHT1.cgm -log=D:\\cgm_diff.log",
    kDashes,
    "",
};
// clang-format on

template <std::size_t N>
void print_lines(const char* const (&lines)[N]) {
    for (const char* line : lines) {
        std::putchar('\n');
        if (line == kDashes) {
            std::fputs(kWideRuler.text, stdout);
        } else {
            std::fputs(line, stdout);
        }
    }
}

}  // namespace

int print_legal_notice() {
    std::fputs("\n Copyright (c) 2009-2025 the KavoTalvex developers. All rights reserved.",
               stdout);
    return 0;
}

int print_usage_check_actions() {
    print_lines(kCheckUsage);
    return 0;
}

int print_usage_cgm_import() {
    print_lines(kCgmImportUsage);
    return 0;
}

int print_usage() {
    print_usage_check_actions();
    std::putchar('\n');
    std::fputs(kUsageRule.text, stdout);
    print_usage_cgm_import();
    return 0;
}

#endif  // KAVOTALVEX_PLUGIN
