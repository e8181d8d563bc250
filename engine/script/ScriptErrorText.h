// ScriptErrorText: the script languages' own error numbers and descriptions, for error
// reports where an engine gives a status code but no text (Wine's VBScript leaves the
// description of many run-time errors empty). Pure functions.
#pragma once

#include <windows.h>

// The language's error number behind an engine's status code: the low word of a
// language code (0x800A....), the number the languages give the automation codes
// (DISP_E_DIVBYZERO is 11, DISP_E_TYPEMISMATCH 13, ...); 0 when there is none.
int LanguageErrorNumber(HRESULT code);

// VBScript's number for a syntax error, which Wine's engine reports as E_FAIL.
inline constexpr int kVBScriptSyntaxError = 1002;

// The description the platform's engines give the language error number, in English;
// null when the table has none.
const char* LanguageErrorDescription(int number);
