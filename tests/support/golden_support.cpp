// Masking of volatile output and the golden-file comparison.
#include "support/golden_support.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace kvtx_test {
namespace {

std::string golden_folder() {
    return std::string(KVTX_SOURCE_DIR) + "/src/utils/tests/golden/";
}

bool update_requested() {
    const char* flag = std::getenv("KVTX_UPDATE_GOLDEN");
    return flag != nullptr && std::string(flag) == "1";
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

std::string mask_volatile(std::string text,
                          const std::vector<std::pair<std::string, std::string>>& replacements) {
    for (const auto& [from, to] : replacements) replace_all(text, from, to);
    // Each token only where the run writes it, so that a date, time or
    // number of the part's own data is compared as it stands.
    static const std::regex kBuildStamp(
        R"((<BuildDate>|<Build: |KavoTalvex Release: [^\n]*))"
        R"([A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4}  [0-9]{2}:[0-9]{2}:[0-9]{2})");
    static const std::regex kCtime(
        R"((Init Logfile at |Start Check at  |Finished checking at  |<Build: [^>\n]*> at ))"
        R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4})");
    static const std::regex kStamp(
        R"((\+\+\+KavoTalvex \[|<(?:Start|End)(?:LoadPart|Update)?DateTime>))"
        R"([0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}\.[0-9]{2})");
    static const std::regex kMemoryElement(
        R"(<(StartLoadPartMemoryAllocation|EndLoadPartMemoryAllocation)>[0-9]+</)");
    static const std::regex kMemoryLogLine(
        R"((Info: (Memory Load   |dwAvailPhys|dwAvailPageFile|dwAvailVirtual) = )-?[0-9]+(?=\n|$))");
    text = std::regex_replace(text, kCtime, "$1<CTIME>");
    text = std::regex_replace(text, kBuildStamp, "$1<BUILD-STAMP>");
    text = std::regex_replace(text, kStamp, "$1<TIME-STAMP>");
    text = std::regex_replace(text, kMemoryElement, "<$1><MEMORY></");
    text = std::regex_replace(text, kMemoryLogLine, "$1<MEMORY>");
    return text;
}

void expect_matches_golden(const std::string& masked_content, const std::string& golden_name) {
    const std::string path = golden_folder() + golden_name;
    if (update_requested()) {
        std::filesystem::create_directories(golden_folder());
        std::ofstream(path, std::ios::binary) << masked_content;
        SUCCEED() << "golden file rewritten: " << path;
        return;
    }
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file.good()) << "missing golden file " << path
                             << " (run with KVTX_UPDATE_GOLDEN=1 to create it)";
    std::ostringstream golden;
    golden << file.rdbuf();
    EXPECT_EQ(golden.str(), masked_content) << "differs from golden file " << path;
}

}  // namespace kvtx_test
