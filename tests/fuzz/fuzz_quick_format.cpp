// The number formatting's fast path against vsnprintf, byte for byte, at every
// buffer size (beyond 600 bytes of output: the last sizes and every 8191st): a format of up to
// three conversions (flags, width, precision, length and conversion chosen by the input, some of
// them ones the fast path refuses) with arguments of the matching types.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdarg>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/quick_format.hpp"
#include "fuzz_support.hpp"

namespace {

// The argument kinds, one per va_arg type.
enum class Kind { none, int_value, long_value, long_long_value, double_value, text };

struct Piece {
    std::string format;
    Kind kind = Kind::none;
};

// The arguments the input gives, one of each kind.
struct Arguments {
    int int_value = 0;
    long long_value = 0;
    long long long_long_value = 0;
    double double_value = 0.0;
    std::string text;
};

constexpr int kMaxConversions = 3;
constexpr std::size_t kEverySizeUpTo = 600;  // longer outputs: sampled sizes

Piece make_conversion(FuzzedDataProvider& input) {
    Piece piece{"%", Kind::none};
    static constexpr const char kFlags[] = "-0+ #";
    const int flags = input.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < flags; ++i) piece.format += kFlags[input.ConsumeIntegralInRange(0, 4)];
    switch (input.ConsumeIntegralInRange(0, 5)) {
        case 0:
            break;
        case 1:
            piece.format += std::to_string(100000 + input.ConsumeIntegralInRange(0, 2));
            break;
        default:
            piece.format += std::to_string(input.ConsumeIntegralInRange(0, 60));
    }
    if (input.ConsumeBool()) {
        piece.format += '.';
        if (input.ConsumeBool())
            piece.format += std::to_string(input.ConsumeIntegralInRange(0, 70));
    }
    static constexpr const char* kLengths[] = {"", "", "l", "ll", "h"};
    const std::string length = kLengths[input.ConsumeIntegralInRange(0, 4)];
    static constexpr char kConversions[] = "sdiucfxeg%";
    const char conversion = kConversions[input.ConsumeIntegralInRange(0, 9)];
    const bool integer = std::strchr("diuxc", conversion) != nullptr;
    const bool floating = std::strchr("feg", conversion) != nullptr;
    if (conversion == '%') {
        piece.format = "%%";  // an escaped percent takes no argument
        return piece;
    }
    if (integer) {
        if (conversion == 'c' || length.empty() || length == "h") {
            piece.kind = Kind::int_value;
            if (conversion != 'c') piece.format += length;
        } else {
            piece.kind = length == "l" ? Kind::long_value : Kind::long_long_value;
            piece.format += length;
        }
    } else if (floating) {
        piece.kind = Kind::double_value;
        if (length == "l") piece.format += length;
    } else {
        piece.kind = Kind::text;
    }
    piece.format += conversion;
    return piece;
}

// The fast path's result compared with the C library's at one buffer size;
// where the fast path refuses, vsnprintf on the same arguments must still give
// the C library's text (the fast path reads a copy of them).
void compare_at_size(std::size_t size, const std::string& expected, const char* format, ...) {
    std::unique_ptr<char[]> buffer(new char[size]);  // exactly size bytes: ASan sees any overrun
    std::size_t length = 0;
    std::va_list args;
    va_start(args, format);
    const bool done = quick_format(buffer.get(), size, format, args, &length);
    if (!done) {
        std::vsnprintf(buffer.get(), size, format, args);
        length = std::min(expected.size(), size - 1);
    }
    va_end(args);
    const std::size_t cut = std::min(expected.size(), size - 1);
    FUZZ_CHECK(length == cut, "format \"%s\" size %zu: length %zu, vsnprintf %zu", format, size,
               length, cut);
    FUZZ_CHECK(std::memcmp(buffer.get(), expected.data(), cut) == 0 && buffer[cut] == '\0',
               "format \"%s\" size %zu: \"%.*s\" where vsnprintf gives \"%.*s\"", format, size,
               static_cast<int>(cut), buffer.get(), static_cast<int>(cut), expected.data());
}

// The formats are made at run time: that is the point here.
#pragma clang diagnostic ignored "-Wformat-security"
#pragma clang diagnostic ignored "-Wformat-nonliteral"

template <typename... Values>
void compare_everywhere(const char* format, Values... values) {
    const int total = std::snprintf(nullptr, 0, format, values...);
    if (total < 0) return;  // the C library refuses it too
    std::string expected(static_cast<std::size_t>(total) + 1, '\0');
    std::snprintf(expected.data(), expected.size(), format, values...);
    expected.resize(static_cast<std::size_t>(total));
    const std::size_t last = expected.size() + 2;
    for (std::size_t size = 1; size <= last; ++size) {
        if (size > kEverySizeUpTo && size + 3 < last && size % 8191 != 0) continue;
        compare_at_size(size, expected, format, values...);
    }
}

// Calls compare_everywhere with the arguments of the pieces' kinds, in order.
template <typename... Values>
void dispatch(const std::string& format, const std::vector<Kind>& kinds, std::size_t next,
              const Arguments& a, Values... values) {
    if (next == kinds.size()) {
        compare_everywhere(format.c_str(), values...);
        return;
    }
    if constexpr (sizeof...(Values) < kMaxConversions) {
        switch (kinds[next]) {
            case Kind::int_value:
                return dispatch(format, kinds, next + 1, a, values..., a.int_value);
            case Kind::long_value:
                return dispatch(format, kinds, next + 1, a, values..., a.long_value);
            case Kind::long_long_value:
                return dispatch(format, kinds, next + 1, a, values..., a.long_long_value);
            case Kind::double_value:
                return dispatch(format, kinds, next + 1, a, values..., a.double_value);
            default:
                return dispatch(format, kinds, next + 1, a, values..., a.text.c_str());
        }
    }
}

double consume_double(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 3)) {
        case 0: {  // any bit pattern: subnormals, NaN, infinities, the extremes
            const auto bits = input.ConsumeIntegral<std::uint64_t>();
            double value = 0.0;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        case 1:  // ties and near-ties of the rounding
            return static_cast<double>(input.ConsumeIntegral<std::int32_t>()) /
                   static_cast<double>(1 << input.ConsumeIntegralInRange(0, 30));
        default:
            return input.ConsumeFloatingPoint<double>();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    Arguments arguments;
    arguments.int_value = input.ConsumeIntegral<int>();
    arguments.long_value = input.ConsumeIntegral<long>();
    arguments.long_long_value = input.ConsumeIntegral<long long>();
    arguments.double_value = consume_double(input);
    arguments.text = input.ConsumeRandomLengthString(300);
    arguments.text.resize(std::strlen(arguments.text.c_str()));

    std::string format;
    std::vector<Kind> kinds;
    const int pieces = input.ConsumeIntegralInRange(1, 6);
    for (int i = 0; i < pieces; ++i) {
        if (input.ConsumeBool()) {
            std::string literal = input.ConsumeRandomLengthString(40);
            literal.resize(std::strlen(literal.c_str()));
            for (char& c : literal)
                if (c == '%') c = '#';
            format += literal;
            continue;
        }
        Piece piece = make_conversion(input);
        if (piece.kind != Kind::none && static_cast<int>(kinds.size()) == kMaxConversions) break;
        format += piece.format;
        if (piece.kind != Kind::none) kinds.push_back(piece.kind);
    }
    dispatch(format, kinds, 0, arguments);
    return 0;
}
