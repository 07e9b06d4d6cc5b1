// Small text helpers shared by the readers and the option parser.
#pragma once

#include <cstdarg>
#include <string>

// printf-style formatting into a string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args);

// Removes the bytes 1..32 around s (and writes terminating zeros over the trailing ones).
std::string trim(char* s);
