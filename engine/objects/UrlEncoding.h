// URL-encoded request text: the decoder and the parsers that fill Request.QueryString
// and Request.Form. Pure functions over bytes; the collections only receive the result.
#pragma once

#include <string_view>

#include "objects/YUrlText.h"

class YDictionary;
class YLeadByteTable;

// Decodes URL-encoded text: "+" is a space, "%hh" a byte; in wide mode "%uhhhh" is one
// 16-bit character and every byte becomes the character of the same value (no
// multi-byte decoding in either mode). "%" not followed by a hexadecimal digit or "u"
// stays as it is. A malformed escape ("%" with one hexadecimal digit, "%u" in narrow
// mode, "%u" with non-hexadecimal digits) consumes the "%" and its digits and gives one
// replacement character ("?" narrow, U+FFFD wide). In wide mode a "%u" with fewer than
// six characters left ends the text. The value ends at the first NUL produced.
YUrlText UrlDecode(std::string_view text, bool wide);

// A value is decoded wide when it contains "%u" (lower-case u) anywhere.
bool HasWideEscape(std::string_view value);

// Fills collection from a query string (null: nothing) and sets its raw text. Segments
// are divided at every "&" found stepping over the double-byte characters of leadBytes;
// every segment, empty ones included, becomes one entry.
void ParseQueryString(const char* text, YDictionary& collection, const YLeadByteTable& leadBytes);
void ParseQueryString(const char* text, YDictionary& collection);

// Fills collection from a form body: the text up to the first CR or LF, its fields
// gathered into a YUrlValue tree (a field repeated has its raw values joined), and the
// root's fields decoded in byte order. Fields inside sub-form sections are left out.
// The raw text is the caller's to set.
void ParseFormBody(std::string_view body, YDictionary& collection);
