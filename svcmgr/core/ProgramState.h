// ProgramState: what the service commands keep for the whole program, one copy shared by
// every view: the machine label of status pane 2 and the filter of the last refresh.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include <string>

inline constexpr char kLocalMachineLabel[] = "LocalHost";

struct ProgramState {
  std::string machineLabel = kLocalMachineLabel;
  DWORD previousFilter = SERVICE_WIN32;
};
