// The ruler lines of the run log, the syslog, the console and the listing
// window: one character repeated a fixed number of times, each named once.
#pragma once

#include <cstddef>

template <char Character, std::size_t Length>
struct Ruler {
    char text[Length + 1] = {};
    constexpr Ruler() {
        for (std::size_t i = 0; i < Length; ++i) text[i] = Character;
    }
};

// Run log.
inline constexpr Ruler<'-', 27> kStepRuler;       // between the steps of a check
inline constexpr Ruler<'=', 98> kCheckRule;       // opens and closes the check of a part
inline constexpr Ruler<'-', 16> kParameterRuler;  // around the argument echo
inline constexpr Ruler<'=', 67> kHistoryRule;     // around a part history
// Syslog.
inline constexpr Ruler<'=', 95> kInteractiveRule;  // around the interactive entry
inline constexpr Ruler<'-', 51> kCallbackRuler;    // ends a callback's first line
// Console of the console program.
inline constexpr Ruler<'-', 82> kBannerRuler;  // around the start banner
inline constexpr Ruler<'-', 119> kWideRuler;   // usage texts, run start and end
inline constexpr Ruler<'=', 119> kUsageRule;   // between the two usage texts
// Listing window of objprobe.
inline constexpr Ruler<'=', 48> kProbeRule;
