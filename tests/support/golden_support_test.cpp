// The golden comparison masks only what changes from run to run: the run's own
// stamps and figures where the run writes them, never the part's own data.
#include "support/golden_support.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

TEST(MaskVolatileTest, MasksTheRunsStampsInTheirPlacesOnly) {
    const std::pair<std::string, std::string> cases[] = {
        {"+++KavoTalvex [2026-01-01 00:00.00]: x", "+++KavoTalvex [<TIME-STAMP>]: x"},
        {"  <StartDateTime>2026-01-01 00:00.00</StartDateTime>",
         "  <StartDateTime><TIME-STAMP></StartDateTime>"},
        {"  <EndLoadPartDateTime>2026-01-01 00:00.00</EndLoadPartDateTime>",
         "  <EndLoadPartDateTime><TIME-STAMP></EndLoadPartDateTime>"},
        {"  <StartUpdateDateTime>2026-01-01 00:00.00</", "  <StartUpdateDateTime><TIME-STAMP></"},
        {"Init Logfile at Wed Dec  9 14:03:40 2026\n", "Init Logfile at <CTIME>\n"},
        {"\nStart Check at  Wed Dec  9 14:03:40 2026", "\nStart Check at  <CTIME>"},
        {"Start of: T V3 <Build: Dec  9 2026  14:00:00> at Wed Dec  9 14:03:40 2026",
         "Start of: T V3 <Build: <BUILD-STAMP>> at <CTIME>"},
        {"End of: T V3 <Build: > at Wed Dec  9 14:03:40 2026", "End of: T V3 <Build: > at <CTIME>"},
        {"  <BuildDate>Dec  9 2026  14:00:00</BuildDate>",
         "  <BuildDate><BUILD-STAMP></BuildDate>"},
        {"KavoTalvex Release: T V3 (Kavo CR2212) Dec  9 2026  14:00:00 \n",
         "KavoTalvex Release: T V3 (Kavo CR2212) <BUILD-STAMP> \n"},
        {"Info: dwAvailVirtual = 1234\n", "Info: dwAvailVirtual = <MEMORY>\n"},
        {"<EndLoadPartMemoryAllocation>77</", "<EndLoadPartMemoryAllocation><MEMORY></"},
        // The part's own data stands as it is.
        {"          <Value>2026-01-01 00:00.00</Value>", ""},
        {"          <Titel>Wed Dec  9 14:03:40 2026</Titel>", ""},
        {"      <PartHistory_1>1 Dec  9 2026  14:00:00 ws1</PartHistory_1>", ""},
        {"      <PartDescription>saved 2026-01-01 00:00.00</PartDescription>", ""},
        {"          <Name>Info: dwAvailPhys = 5</Name>", ""},
    };
    for (const auto& [text, masked] : cases) {
        EXPECT_EQ(kvtx_test::mask_volatile(text), masked.empty() ? text : masked);
    }
}

}  // namespace
