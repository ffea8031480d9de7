// A fast path of vsnprintf for the conversions the check tool's own formats use.
#pragma once

#include <cstdarg>
#include <cstddef>

// Formats like vsnprintf for %s %c %d %i %u (with l or ll), %f and %lf (with a
// precision), %% and the flags '-' and '0' with a width. Writes at most
// size - 1 characters and the end, the same cut as vsnprintf, and gives the
// characters written in *length. Returns false for anything else (another
// conversion, flag or length, '*', a null string, a non-finite double, a
// radix other than '.', a floating-point rounding mode other than to nearest); it reads a copy of
// args, so the caller can then format with vsnprintf on the untouched arguments. dst must not be
// null and size not 0.
bool quick_format(char* dst, std::size_t size, const char* format, std::va_list args,
                  std::size_t* length);
