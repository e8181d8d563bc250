// isapi-host: the development web server (the Windows and the Winelib program). Serves a site's static files and hands
// ".asp" files to an ISAPI extension; Ctrl+C or closing the console stops it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ControlPipe.h"
#include "HostOptions.h"
#include "HttpServer.h"
#include "WorkerChannel.h"

#ifndef ISAPI_HOST_DEFAULT_ROOT
#define ISAPI_HOST_DEFAULT_ROOT ""
#endif
#ifndef ISAPI_HOST_DEFAULT_EXTENSION
#define ISAPI_HOST_DEFAULT_EXTENSION ""
#endif

namespace {

HANDLE stopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD type) {
  switch (type) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      SetEvent(stopEvent);
      // Returning from a close event ends the process: give the server time to stop.
      if (type == CTRL_CLOSE_EVENT || type == CTRL_SHUTDOWN_EVENT) Sleep(4000);
      return TRUE;
    default: return FALSE;
  }
}

// A worker process whose code faults ends at once with the fault's code, and the server
// replaces it within moments. The fault is taken when it is raised: unwinding from an
// extension's code into this program's own (Winelib) frames does not reach the
// unhandled-exception filter under Wine, and the system's crash handling would keep the
// process for seconds. Nothing in the request path catches hardware faults on purpose.
bool IsFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_IN_PAGE_ERROR: return true;
    default: return false;
  }
}

LONG WINAPI EndWorkerOnFault(EXCEPTION_POINTERS* fault) {
  const EXCEPTION_RECORD* record = fault->ExceptionRecord;
  if (!IsFault(record->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  std::fprintf(stderr, "isapi-host: worker process: exception %08lx at %p\n",
               static_cast<unsigned long>(record->ExceptionCode), record->ExceptionAddress);
  std::fflush(stderr);
  WorkerChannel::CutOff();  // no further request is handed to a process that is ending
  TerminateProcess(GetCurrentProcess(), record->ExceptionCode);
  return EXCEPTION_CONTINUE_SEARCH;
}

// The server's arguments for its worker process: all but the parent's control pipe.
std::vector<std::string> WorkerArguments(const std::vector<std::string>& args) {
  std::vector<std::string> kept;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--control-pipe") {
      ++i;
      continue;
    }
    kept.push_back(args[i]);
  }
  return kept;
}

int RunWorker(const HostOptions& options) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  AddVectoredExceptionHandler(1, EndWorkerOnFault);
  // Ctrl+C reaches the whole console; the server process decides when this one ends.
  SetConsoleCtrlHandler(nullptr, TRUE);
  HttpServer server(options, options.limits);
  std::string error;
  if (!server.Start(&error)) {
    std::fprintf(stderr, "isapi-host: worker process: %s\n", error.c_str());
    return 1;
  }
  // Ends when the server's end of the channel closes.
  Sleep(INFINITE);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  HostOptions options;
  options.root = ToWindowsPath(ISAPI_HOST_DEFAULT_ROOT);
  options.extension = ToWindowsPath(ISAPI_HOST_DEFAULT_EXTENSION);
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  if (!ParseHostOptions(args, &options, &error)) {
    std::fprintf(stderr, "isapi-host: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  DWORD attributes = GetFileAttributesA(options.root.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    std::fprintf(stderr, "isapi-host: --root %s is not a directory\n", options.root.c_str());
    return 2;
  }
  for (const Application& app : options.apps) {
    attributes = GetFileAttributesA(app.root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      std::fprintf(stderr, "isapi-host: --app %s=%s: not a directory\n", app.url.c_str(), app.root.c_str());
      return 2;
    }
  }

  if (!options.workerChannel.empty()) return RunWorker(options);
  options.commandLine = WorkerArguments(args);

  stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  HttpServer server(options, options.limits);
  if (!server.Start(&error)) {
    std::fprintf(stderr, "isapi-host: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "isapi-host: serving %s on http://%s:%u/%s%s (Ctrl+C stops)\n", options.root.c_str(),
               options.bind.c_str(), server.port(), options.extension.empty() ? "" : " with ",
               options.extension.c_str());
  ControlPipe control;
  if (!options.controlPipe.empty() && !control.Open(options.controlPipe, server.port(), stopEvent, &error)) {
    std::fprintf(stderr, "isapi-host: %s\n", error.c_str());
    server.Stop(0);
    ExitProcess(1);
  }
  WaitForSingleObject(stopEvent, INFINITE);
  std::fprintf(stderr, "isapi-host: stopping\n");
  server.Stop(3000);
  std::fflush(stdout);
  // Workers still inside the extension after the grace period do not hold up the exit.
  ExitProcess(0);
}
