// ControlPipe: the server's side of --control-pipe. A parent process that starts the
// server (a test, a supervisor) creates the named pipe and passes its name; the server
// connects once it listens, writes "port N pid P\n", and sets the stop event when the parent
// closes its end (or goes away) or writes anything. Works alike in the Windows and the
// Winelib program, whichever process started it.
#pragma once

#include <windows.h>

#include <string>

class ControlPipe {
 public:
  ControlPipe() = default;
  ~ControlPipe();
  ControlPipe(const ControlPipe&) = delete;
  ControlPipe& operator=(const ControlPipe&) = delete;

  // Connects, reports the port and starts watching; false with a message on failure.
  bool Open(const std::string& name, unsigned port, HANDLE stopEvent, std::string* error);

 private:
  static DWORD WINAPI Watch(void* self);

  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  HANDLE thread_ = nullptr;
  HANDLE stopEvent_ = nullptr;
};
