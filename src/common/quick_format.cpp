// A fast path of vsnprintf for the conversions the check tool's own formats
// use; every other format is left to the C library.
#include "common/quick_format.hpp"

#include <langinfo.h>

#include <cfenv>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kMaxWidth = 100000;     // wider fields are left to vsnprintf
constexpr int kMaxPrecision = 64;             // longer fractions too
constexpr std::size_t kMaxFixedDigits = 309;  // integer digits of DBL_MAX
constexpr int kDefaultPrecision = 6;

// Collects the output: keeps the first size - 1 characters, counts them all.
class BoundedOutput {
  public:
    BoundedOutput(char* dst, std::size_t size) : dst_(dst), room_(size - 1) {}

    void put(const char* text, std::size_t count) {
        total_ += count;
        const std::size_t fits = room_ - used_ < count ? room_ - used_ : count;
        std::memcpy(dst_ + used_, text, fits);
        used_ += fits;
    }

    void fill(char c, std::size_t count) {
        total_ += count;
        const std::size_t fits = room_ - used_ < count ? room_ - used_ : count;
        std::memset(dst_ + used_, c, fits);
        used_ += fits;
    }

    // vsnprintf fails on an output longer than an int can count.
    bool countable() const { return total_ <= static_cast<std::size_t>(INT_MAX); }

    std::size_t finish() {
        dst_[used_] = '\0';
        return used_;
    }

  private:
    char* dst_;
    std::size_t room_;
    std::size_t used_ = 0;
    std::size_t total_ = 0;
};

enum class Length { kNone, kLong, kLongLong };

struct Conversion {
    bool left = false;  // '-'
    bool zero = false;  // '0'
    std::size_t width = 0;
    int precision = -1;  // none given
    Length length = Length::kNone;
    char kind = '\0';
};

// Reads a run of decimal digits; false when it grows past limit.
bool read_number(const char*& p, std::size_t limit, std::size_t& value) {
    value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + static_cast<std::size_t>(*p - '0');
        if (value > limit) return false;
        ++p;
    }
    return true;
}

void read_flags(const char*& p, Conversion& conversion) {
    for (;; ++p) {
        if (*p == '-') {
            conversion.left = true;
        } else if (*p == '0') {
            conversion.zero = true;
        } else {
            return;
        }
    }
}

void read_length(const char*& p, Conversion& conversion) {
    if (*p != 'l') return;
    ++p;
    conversion.length = Length::kLong;
    if (*p == 'l') {
        ++p;
        conversion.length = Length::kLongLong;
    }
}

// Whether the fast path formats this combination exactly as vsnprintf does.
bool supported(const Conversion& c) {
    switch (c.kind) {
        case 'd':
        case 'i':
        case 'u':
            return c.precision < 0;
        case 's':
        case 'c':
            return c.length == Length::kNone && !c.zero && (c.kind == 's' || c.precision < 0);
        case 'f':
            return c.length != Length::kLongLong && c.precision <= kMaxPrecision;
        default:
            return false;
    }
}

// Reads the conversion after its '%'; p is left after the conversion letter.
bool read_conversion(const char*& p, Conversion& conversion) {
    read_flags(p, conversion);
    if (!read_number(p, kMaxWidth, conversion.width)) return false;
    if (*p == '.') {
        ++p;
        std::size_t precision = 0;
        if (!read_number(p, kMaxPrecision, precision)) return false;
        conversion.precision = static_cast<int>(precision);
    }
    read_length(p, conversion);
    conversion.kind = *p;
    if (!supported(conversion)) return false;
    ++p;
    return true;
}

// Puts a formatted field: sign (if any) and body, padded to the width.
void put_field(BoundedOutput& out, const Conversion& c, const char* sign, std::size_t sign_length,
               const char* body, std::size_t body_length) {
    const std::size_t length = sign_length + body_length;
    if (c.width <= length) {  // most fields: no padding
        if (sign_length != 0) out.put(sign, sign_length);
        out.put(body, body_length);
        return;
    }
    const std::size_t padding = c.width - length;
    if (c.left) {
        out.put(sign, sign_length);
        out.put(body, body_length);
        out.fill(' ', padding);
    } else if (c.zero) {
        out.put(sign, sign_length);
        out.fill('0', padding);
        out.put(body, body_length);
    } else {
        out.fill(' ', padding);
        out.put(sign, sign_length);
        out.put(body, body_length);
    }
}

void put_integer(BoundedOutput& out, const Conversion& c, bool negative,
                 unsigned long long magnitude) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    put_field(out, c, "-", negative ? 1 : 0, digits, static_cast<std::size_t>(end - digits));
}

void put_signed(BoundedOutput& out, const Conversion& c, long long value) {
    const bool negative = value < 0;
    // In unsigned arithmetic, so that the most negative value has a magnitude too.
    const unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(value) : value;
    put_integer(out, c, negative, magnitude);
}

long long read_signed(const Conversion& c, std::va_list& args) {
    switch (c.length) {
        case Length::kLong:
            return va_arg(args, long);
        case Length::kLongLong:
            return va_arg(args, long long);
        default:
            return va_arg(args, int);
    }
}

unsigned long long read_unsigned(const Conversion& c, std::va_list& args) {
    switch (c.length) {
        case Length::kLong:
            return va_arg(args, unsigned long);
        case Length::kLongLong:
            return va_arg(args, unsigned long long);
        default:
            return va_arg(args, unsigned);
    }
}

bool put_string(BoundedOutput& out, const Conversion& c, const char* text) {
    if (text == nullptr) return false;  // the C library's own text for it
    const std::size_t length =
        c.precision < 0 ? std::strlen(text) : strnlen(text, static_cast<std::size_t>(c.precision));
    put_field(out, c, "", 0, text, length);
    return true;
}

#ifdef __SIZEOF_INT128__
// The fixed notation of value by integer arithmetic, when the value is zero or
// a 53-bit integer times 2^e with -120 <= e <= 10: the integer part and the
// binary fraction are exact, the fraction gives its digits one by one and the
// rest decides the rounding, to nearest with ties to even, as printf rounds.
// Writes the digits without the sign; false when out of reach.
bool fixed_by_integers(double value, int precision, char* text, std::size_t& length) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased_exponent = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) |
                                   (biased_exponent != 0 ? std::uint64_t{1} << 52 : 0);
    const int exponent = mantissa == 0 ? 0 : (biased_exponent != 0 ? biased_exponent : 1) - 1075;
    if (exponent > 10 || exponent < -120) return false;
    using Wide = unsigned __int128;
    const int shift = exponent < 0 ? -exponent : 0;
    const Wide scaled = exponent < 0 ? Wide{mantissa} : Wide{mantissa} << exponent;
    std::uint64_t integer = static_cast<std::uint64_t>(scaled >> shift);
    const Wide mask = (Wide{1} << shift) - 1;
    Wide fraction = scaled & mask;
    char digits[kMaxPrecision];
    for (int i = 0; i < precision; ++i) {
        fraction *= 10;
        digits[i] = static_cast<char>('0' + static_cast<int>(fraction >> shift));
        fraction &= mask;
    }
    if (shift > 0) {
        const Wide half = Wide{1} << (shift - 1);
        const bool odd = precision > 0 ? (digits[precision - 1] - '0') % 2 != 0 : integer % 2 != 0;
        if (fraction > half || (fraction == half && odd)) {
            int i = precision - 1;
            for (; i >= 0 && digits[i] == '9'; --i) digits[i] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                ++integer;
            }
        }
    }
    const auto end = std::to_chars(text, text + 20, integer).ptr;
    length = static_cast<std::size_t>(end - text);
    if (precision > 0) {
        text[length++] = '.';
        std::memcpy(text + length, digits, static_cast<std::size_t>(precision));
        length += static_cast<std::size_t>(precision);
    }
    return true;
}
#else
// Without 128-bit integers (32-bit x86) put_fixed takes std::to_chars for
// every value.
bool fixed_by_integers(double, int, char*, std::size_t&) {
    return false;
}
#endif

// std::to_chars gives the exact decimal value as printf does, rounded the same
// while the rounding mode is to nearest; printf follows every other mode.
bool put_fixed(BoundedOutput& out, const Conversion& c, double value) {
    if (!std::isfinite(value) || std::fegetround() != FE_TONEAREST) return false;
    const char* radix = nl_langinfo(RADIXCHAR);
    if (radix == nullptr || radix[0] != '.' || radix[1] != '\0') return false;
    const int precision = c.precision < 0 ? kDefaultPrecision : c.precision;
    char text[1 + kMaxFixedDigits + 1 + kMaxPrecision];
    const bool negative = std::signbit(value);
    std::size_t length = 0;
    if (!fixed_by_integers(value, precision, text, length)) {
        const auto result = std::to_chars(text, text + sizeof text, std::fabs(value),
                                          std::chars_format::fixed, precision);
        if (result.ec != std::errc{}) return false;
        length = static_cast<std::size_t>(result.ptr - text);
    }
    put_field(out, c, "-", negative ? 1 : 0, text, length);
    return true;
}

bool put_conversion(BoundedOutput& out, const Conversion& c, std::va_list& args) {
    switch (c.kind) {
        case 'd':
        case 'i':
            put_signed(out, c, read_signed(c, args));
            return true;
        case 'u':
            put_integer(out, c, false, read_unsigned(c, args));
            return true;
        case 's':
            return put_string(out, c, va_arg(args, const char*));
        case 'c': {
            const char character = static_cast<char>(va_arg(args, int));
            put_field(out, c, "", 0, &character, 1);
            return true;
        }
        case 'f':
            return put_fixed(out, c, va_arg(args, double));
        default:
            return false;
    }
}

// The whole format, or false at the first piece the fast path does not take.
bool format_into(char* dst, std::size_t size, const char* format, std::va_list& args,
                 std::size_t* length) {
    BoundedOutput out(dst, size);
    const char* p = format;
    for (;;) {
        const char* percent = strchrnul(p, '%');
        out.put(p, static_cast<std::size_t>(percent - p));
        if (*percent == '\0') break;
        p = percent + 1;
        if (*p == '%') {
            out.put(p, 1);
            ++p;
            continue;
        }
        Conversion conversion;
        if (!read_conversion(p, conversion) || !put_conversion(out, conversion, args)) return false;
    }
    if (!out.countable()) return false;
    *length = out.finish();
    return true;
}

}  // namespace

bool quick_format(char* dst, std::size_t size, const char* format, std::va_list args,
                  std::size_t* length) {
    std::va_list work;
    va_copy(work, args);
    const bool done = format_into(dst, size, format, work, length);
    va_end(work);
    return done;
}
