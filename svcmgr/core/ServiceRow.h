// The service row: one list row of text cells per service. Commands and the other parts
// of the program read cells by these fixed column indexes.
#pragma once

#include <windows.h>

namespace ServiceRow {

enum Column : int {
  kName = 0,         // service (key) name
  kDisplayName = 1,  // display name
  kType = 2,         // TypeText
  kState = 3,        // StateText
  kProcessId = 4,    // decimal; empty when 0
  kStartType = 5,    // StartTypeText
  kDescription = 6,  // description
  kBinaryPath = 7,   // binary path exactly as the manager stores it
};

// The number of fixed columns, and so the file-information base while those columns are
// shown (0 while they are hidden). The three file-information columns follow in the
// order company name, file description, file version.
inline constexpr int kFixedColumnCount = 8;
inline constexpr int kFileInfoColumnCount = 3;

// The title of a fixed column (0 to 7), or of the file-information column at the given
// offset from the base (0 to 2). Empty for anything else.
const char* ColumnTitle(int column);
const char* FileInfoColumnTitle(int offset);

// Cell texts in code page 936. TypeText clears SERVICE_INTERACTIVE_PROCESS first.
const char* TypeText(DWORD serviceType);
const char* StateText(DWORD currentState);
const char* StartTypeText(DWORD startType);

}  // namespace ServiceRow
