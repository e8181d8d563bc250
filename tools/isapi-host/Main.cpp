// isapi-host: the development web server (the Windows and the Winelib program). Serves a site's static files and hands
// ".asp" files to an ISAPI extension; Ctrl+C or closing the console stops it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ControlPipe.h"
#include "HostOptions.h"
#include "HttpServer.h"

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
