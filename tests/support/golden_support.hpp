// Comparison of whole output files with golden files.
//
// Golden files live in src/utils/tests/golden/. Before the comparison the
// volatile parts of a text are masked (the run's time stamps, ctime texts,
// memory figures, build stamp, and folders that a test names). To rewrite the golden
// files on purpose after a deliberate change, run the tests with
//     KVTX_UPDATE_GOLDEN=1 ctest --preset default
// and review the diff before committing it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kvtx_test {

// Replaces the run's own "YYYY-MM-DD hh:mm.ss" stamps, ctime texts, build
// stamps and memory figures by fixed tokens, each only in the report element,
// log line or banner that carries it, and each (text, token) pair of
// replacements literally. The part's own data is never masked.
std::string mask_volatile(
    std::string text, const std::vector<std::pair<std::string, std::string>>& replacements = {});

// Compares the masked content with the golden file golden/<golden_name>; with
// KVTX_UPDATE_GOLDEN=1 rewrites the golden file instead. Reports failures
// through gtest.
void expect_matches_golden(const std::string& masked_content, const std::string& golden_name);

}  // namespace kvtx_test
