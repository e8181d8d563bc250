// Text rules of the service commands, over system code page bytes.
#pragma once

#include <string>
#include <string_view>

// printf-style formatting into a string of whatever length the result needs.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Equality of two names without regard to case, aware of double-byte characters: ASCII
// letters match either case, the two bytes of a double-byte character (system code page)
// must match exactly, so a trail byte is never folded.
bool EqualsNoCaseDbcs(std::string_view a, std::string_view b);

// The text with ASCII letters made lower-case; the two bytes of a double-byte character
// (system code page) stay as they are.
std::string LowerDbcs(std::string_view text);
// Whether `text` contains `pattern` starting at a character boundary, so that a match
// never begins on the trail byte of a double-byte character. An empty pattern matches.
bool ContainsDbcs(std::string_view text, std::string_view pattern);
