// The line rules a VBScript fragment goes through before it joins an engine's program.
// Pure byte rules over narrow text: the double quote, "/", "_" and white space are
// single bytes that never occur inside a multi-byte character of the page code pages.
#pragma once

#include <string>
#include <string_view>

// Rewrites one fragment of VBScript source, line by line:
//  - outside a string literal, "//" turns its first "/" into "'", so that the rest of
//    the line is a VBScript comment; "" inside a string is one escaped quote;
//  - a line that holds only white space right after a line ending in "_" becomes "_",
//    so that the continued statement goes on past blank lines;
//  - every line that ends in a line feed ends in CR LF, whatever it ended in before.
// The text after the last line feed is kept as it stands. The result has exactly as
// many line feeds as the fragment.
std::string ApplyVBScriptLineRules(std::string_view fragment);
