// Texts for the Tamber tests: the exact code page 936 bytes the program shows.
#pragma once

#include <string>

// Code page 936 bytes of a UTF-8 text.
std::string Cp936(const char* utf8);
