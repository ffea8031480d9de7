// Bounded formatting: format_text gives what vsnprintf gives, to the byte and
// at every buffer size, for every format of the check tool and for the
// conversions its fast path leaves to the C library.
#include "common/text_buffer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr char kGuard = '\x7f';
constexpr std::size_t kGuardBytes = 8;

std::size_t format_under_test(char* dst, std::size_t size, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    const std::size_t length = format_text_v(dst, size, format, args);
    va_end(args);
    return length;
}

// Compares format_text with snprintf at every size from 0 to two past the
// whole length: the same characters, the same cut, the same returned length,
// and nothing written past the end.
template <typename... Args>
void expect_as_snprintf(const char* format, Args... args) {
    SCOPED_TRACE(std::string("format \"") + format + "\"");
    const int whole = std::snprintf(nullptr, 0, format, args...);
    ASSERT_GE(whole, 0);
    for (std::size_t size = 0; size <= static_cast<std::size_t>(whole) + 2; ++size) {
        std::vector<char> expected(size + kGuardBytes, kGuard);
        std::vector<char> actual(size + kGuardBytes, kGuard);
        const int written = std::snprintf(expected.data(), size, format, args...);
        const std::size_t length = format_under_test(actual.data(), size, format, args...);
        const std::size_t expected_length =
            size == 0 ? 0 : std::min(static_cast<std::size_t>(written), size - 1);
        ASSERT_EQ(length, expected_length) << "size " << size;
        ASSERT_EQ(actual, expected) << "size " << size;
    }
}

const std::vector<int>& int_corpus() {
    static const std::vector<int> values{INT_MIN, INT_MIN + 1, -100, -1,    0,
                                         1,       7,           42,   99999, INT_MAX};
    return values;
}

const std::vector<long long>& long_corpus() {
    static const std::vector<long long> values{LLONG_MIN, LLONG_MIN + 1, -1,       0,
                                               9,         12345678901LL, LLONG_MAX};
    return values;
}

const std::vector<unsigned long long>& unsigned_corpus() {
    static const std::vector<unsigned long long> values{0, 1, 10, UINT_MAX, 1ULL << 32, ULLONG_MAX};
    return values;
}

// Zeros, ties at the precisions asked for, values just beside a tie, the
// smallest and largest magnitudes and integers beyond 2^53.
// clang-format off
const std::vector<double>& double_corpus() {
    static const std::vector<double> values{
        0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.0078125, 0.0234375, -0.0078125,
        2.675, 0.0000005, 0.0000015, 0.0000025, -0.0000005, 1e-7, -1e-7, 0.9999995, -0.9999995,
        1.0 / 3, 0.1, 123456.7890125, 9.9999995, 999999.9999995, 1e15 + 0.3,
        4503599627370496.5, 9007199254740993.0, 1e21, -1e21, 1e22, 1e300, DBL_MAX, -DBL_MAX,
        DBL_MIN, -DBL_MIN, std::numeric_limits<double>::denorm_min()};
    return values;
}
// clang-format on

const std::vector<std::string>& string_corpus() {
    static const std::vector<std::string> values{"",
                                                 "a",
                                                 "BODY_42",
                                                 "%d%s%n%%",
                                                 "\xb0\xff\x01\t\n\"<&>",
                                                 "\xc3\xa4ml",
                                                 std::string(1100, 'x')};
    return values;
}

// The formats of the check tool: every string literal with a '%' in its sources.
std::set<std::string> product_formats() {
    std::set<std::string> formats;
    namespace fs = std::filesystem;
    const fs::path root = fs::path(KVTX_SOURCE_DIR) / "src";
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() != ".cpp" || path.find("/tests/") != std::string::npos)
            continue;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string source = text.str();
        for (std::size_t i = 0; i < source.size(); ++i) {
            if (source[i] != '"' || (i > 0 && source[i - 1] == '\'')) continue;
            std::string literal;
            std::size_t j = i + 1;
            for (; j < source.size() && source[j] != '"' && source[j] != '\n'; ++j) {
                if (source[j] != '\\' || j + 1 >= source.size()) {
                    literal += source[j];
                    continue;
                }
                const char escaped = source[++j];
                literal += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
            }
            if (literal.find('%') != std::string::npos) formats.insert(literal);
            i = j;
        }
    }
    return formats;
}

// One conversion of a format and the text around it, checked with every value
// of its argument type; conversions the corpus has no type for are skipped.
void expect_piece_as_snprintf(const std::string& piece, const std::string& conversion) {
    const char letter = conversion.back();
    const bool longlong = conversion.find("ll") != std::string::npos;
    const bool is_long = !longlong && conversion.find('l') != std::string::npos;
    const char* format = piece.c_str();
    if (letter == 'd' || letter == 'i') {
        if (longlong) {
            for (long long v : long_corpus()) expect_as_snprintf(format, v);
        } else if (is_long) {
            for (long long v : long_corpus()) expect_as_snprintf(format, static_cast<long>(v));
        } else {
            for (int v : int_corpus()) expect_as_snprintf(format, v);
        }
    } else if (letter == 'u') {
        for (unsigned long long v : unsigned_corpus()) {
            if (longlong)
                expect_as_snprintf(format, v);
            else if (is_long)
                expect_as_snprintf(format, static_cast<unsigned long>(v));
            else
                expect_as_snprintf(format, static_cast<unsigned>(v));
        }
    } else if (letter == 'f') {
        for (double v : double_corpus()) expect_as_snprintf(format, v);
    } else if (letter == 's') {
        for (const std::string& v : string_corpus()) expect_as_snprintf(format, v.c_str());
    } else if (letter == 'c') {
        for (int v : {int{'A'}, 0, 0xB0, -1}) expect_as_snprintf(format, v);
    }
}

// Splits a format into pieces of one conversion each (the last keeps the
// trailing text), so that each piece takes one argument of a known type.
void expect_format_as_snprintf(const std::string& format) {
    std::size_t piece_start = 0;
    std::string last_conversion;
    std::size_t last_end = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (i + 1 < format.size() && format[i + 1] == '%') {
            ++i;
            continue;
        }
        const std::size_t end = format.find_first_not_of("-0123456789.l", i + 1);
        if (end == std::string::npos) return;
        if (!last_conversion.empty())
            expect_piece_as_snprintf(format.substr(piece_start, last_end - piece_start),
                                     last_conversion);
        piece_start = last_end;
        last_conversion = format.substr(i, end + 1 - i);
        last_end = end + 1;
        i = end;
    }
    if (!last_conversion.empty())
        expect_piece_as_snprintf(format.substr(piece_start), last_conversion);
}

TEST(FormatTextTest, EveryFormatOfTheToolMatchesVsnprintfAtEverySize) {
    const std::set<std::string> formats = product_formats();
    ASSERT_GT(formats.size(), 100u);  // the scan found the sources
    for (const std::string& format : formats) expect_format_as_snprintf(format);
}

TEST(FormatTextTest, WholeLinesWithSeveralArgumentsMatchVsnprintf) {
    expect_as_snprintf("\n%d.) %s   %lf sec  [%d]", 3, "Entity_general_info", 0.0000125, 65536);
    expect_as_snprintf("\n%d.) %s   %lf sec  [%d]", -1, "", -DBL_MAX, INT_MIN);
    expect_as_snprintf("%d-%02d-%02d %02d:%02d.%02d", 2026, 1, 9, 0, 5, 59);
    expect_as_snprintf("%d-%02d-%02d %02d:%02d.%02d", -5, -1, 123, 0, -0, 7);
    expect_as_snprintf("\n+++%s: %-27s error = %d", "KavoTalvex", "UF_save_part", -4711);
    expect_as_snprintf("\n+++%s: %-27s error = %d", "a", std::string(40, 'n').c_str(), 0);
    expect_as_snprintf("%s;%d;%s;%s", "p\xb0.prt", -1001, "error loading part", "r%s.xml");
    expect_as_snprintf("%ld %lu %lld %llu %i %u %c%%", LONG_MIN, ULONG_MAX, LLONG_MIN, ULLONG_MAX,
                       INT_MAX, 0u, 'z');
    expect_as_snprintf("%5s|%-5s|%.2s|%8.3s|%-8.0s|%5c|%-3c|", "ab", "ab", "abc", "abcdef", "x",
                       'q', 'r');
    expect_as_snprintf("%08d|%-8d|%8d|%08ld|%-08lld|%03u|%1d", -42, -42, -42, 7L, 7LL, 5u, 123);
    expect_as_snprintf("%.0f|%.1f|%.2f|%.3lf|%.10f|%.64f|%f", 0.5, 0.25, 0.125, 2.0005, 1e-10,
                       1.0 / 3, 1e-320);
    expect_as_snprintf("%012.3f|%-12.3f|%12f|%012f|%-f", -3.14159, 2.5, -0.0, -0.0, 1e21);
}

// Doubles of every magnitude: random bit patterns and decimal-looking values,
// and the edge cases above.
const std::vector<double>& random_double_corpus() {
    static const std::vector<double> values = [] {
        std::mt19937_64 random(20261209);
        std::vector<double> corpus = double_corpus();
        corpus.insert(corpus.end(), {1.0, -1.0, 2.0 / 3, -2.0 / 3});
        for (int i = 0; i < 4000; ++i) {
            const std::uint64_t bits = random();
            double value = 0;
            std::memcpy(&value, &bits, sizeof value);
            if (std::isfinite(value)) corpus.push_back(value);
            corpus.push_back(
                static_cast<double>(static_cast<std::int64_t>(random() % 2000001) - 1000000) /
                std::pow(10.0, static_cast<int>(random() % 12)));
            corpus.push_back(std::ldexp(static_cast<double>(random() % 4096),
                                        -static_cast<int>(random() % 140)));
        }
        return corpus;
    }();
    return values;
}

void expect_doubles_as_snprintf(const std::string& format) {
    char expected[512];
    char actual[512];
    for (double value : random_double_corpus()) {
        const int written = std::snprintf(expected, sizeof expected, format.c_str(), value);
        const std::size_t length = format_under_test(actual, sizeof actual, format.c_str(), value);
        ASSERT_EQ(length, std::min<std::size_t>(written, sizeof expected - 1)) << format;
        ASSERT_STREQ(actual, expected) << format << " of " << value;
    }
}

// Against printf at every precision the tool could ask for.
TEST(FormatTextTest, RandomDoublesMatchVsnprintfAtEveryPrecision) {
    for (int precision = 0; precision <= 20; ++precision)
        expect_doubles_as_snprintf("%." + std::to_string(precision) + "f");
}

// A host may set another rounding mode; printf follows it, so must we.
class RoundingModeTest : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override { ASSERT_EQ(std::fesetround(GetParam()), 0); }
    void TearDown() override { std::fesetround(saved_); }

  private:
    int saved_ = std::fegetround();
};

TEST_P(RoundingModeTest, DoublesMatchVsnprintf) {
    for (const char* format : {"%lf", "%.0f", "%.2f", "%012.3f", "%.17f"})
        expect_doubles_as_snprintf(format);
    expect_as_snprintf("\n%d.) %s   %lf sec", 1, "Timer", 2.0 / 3);
}

INSTANTIATE_TEST_SUITE_P(EveryMode, RoundingModeTest,
                         ::testing::Values(FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO));

// Conversions the fast path does not take go to vsnprintf on untouched
// arguments: the output stays what the C library gives.
TEST(FormatTextTest, OtherConversionsFallBackToVsnprintf) {
    expect_as_snprintf("%s %g %e %x", "before", 1e-5, 12345.678, 0xBEEFu);
    expect_as_snprintf("%d %E %G %a %X %o", 1, 2.5, 1e100, 0.1, 255u, 8u);
    expect_as_snprintf("%p|%#x|%+d|% d|%+.2f|% f", static_cast<void*>(nullptr), 15u, 3, 4, 1.5,
                       2.0);
    expect_as_snprintf("%*d|%-*s|%.*f|%.*s", 6, 42, 4, "ab", 2, 3.14159, 1, "xyz");
    expect_as_snprintf("%hhd %hd %zu %jd %Lf", 300, 70000, std::size_t{9}, intmax_t{-3}, 1.5L);
    expect_as_snprintf("%2$s %1$d", 5, "second");
    expect_as_snprintf("%.3d|%5.2u|%.0d", 7, 3u, 0);
    expect_as_snprintf("%05s|%5%|%.3c", "ab", 'x');
    expect_as_snprintf("%f %lf %10f %-10f %010f", INFINITY, -INFINITY, NAN, -NAN, INFINITY);
    expect_as_snprintf("%.65f", 0.1);
    const char* volatile missing = nullptr;  // unknown to the compiler's format check
    expect_as_snprintf("%s and %s", "one", missing);
    expect_as_snprintf("%ls", L"wide");
}

TEST(FormatTextTest, WideFieldIsCutLikeVsnprintf) {
    std::vector<char> expected(64, kGuard);
    std::vector<char> actual(64, kGuard);
    for (const char* format : {"%1000001d", "%-100000d|", "%099999d"}) {
        const int written = std::snprintf(expected.data(), 32, format, -7);
        EXPECT_EQ(format_under_test(actual.data(), 32, format, -7), 31u);
        EXPECT_GT(written, 99990);
        EXPECT_EQ(actual, expected) << format;
    }
}

TEST(FormatTextTest, CountConversionIsStoredByTheFallback) {
    char out[16];
    int count = -1;
    EXPECT_EQ(format_under_test(out, sizeof out, "abc%n%s", &count, "def"), 6u);
    EXPECT_STREQ(out, "abcdef");
    EXPECT_EQ(count, 3);
}

TEST(FormatTextTest, ArgumentTextIsNeverFormattedAgain) {
    char out[32];
    EXPECT_EQ(format_under_test(out, sizeof out, "<%s>", "%s%n%d%%"), 10u);
    EXPECT_STREQ(out, "<%s%n%d%%>");
}

TEST(FormatTextTest, NullEmptyAndFailedFormatsGiveAnEmptyText) {
    EXPECT_EQ(format_under_test(nullptr, 10, "%d", 5), 0u);
    char out[4] = "abc";
    EXPECT_EQ(format_under_test(out, 0, "%d", 5), 0u);
    EXPECT_STREQ(out, "abc");
    EXPECT_EQ(format_under_test(out, sizeof out, nullptr), 0u);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(format_under_test(out, 1, "%s", "long"), 0u);
    EXPECT_STREQ(out, "");
    copy_text(out, "abc");
    EXPECT_EQ(format_under_test(out, sizeof out, "%s%", "x"), 0u);  // vsnprintf fails on it
    EXPECT_STREQ(out, "");
}

}  // namespace
