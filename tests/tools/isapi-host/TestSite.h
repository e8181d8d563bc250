// TestSite: a small site in a fresh temporary folder (with a file outside its root, for
// traversal attempts) and an isapi-host server over it: in this process, or, when the
// environment names one in ISAPI_HOST_PROGRAM, a program of its own (the Windows or the
// Winelib build), started with the same options and stopped through its control pipe.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "HttpServer.h"

class TestSite {
 public:
  // extensionPath: a Unix or Windows path of the extension DLL. recycleAfterSeconds:
  // the program's --recycle-after, 0 for its default. threads: worker threads.
  TestSite(const std::string& extensionPath, ConnectionLimits limits, unsigned recycleAfterSeconds = 0,
           unsigned threads = 40);
  ~TestSite();
  TestSite(const TestSite&) = delete;
  TestSite& operator=(const TestSite&) = delete;

  bool started() const { return started_; }
  const std::string& startError() const { return error_; }
  unsigned port() const { return port_; }
  // The server's process id (a program of its own; this process otherwise).
  unsigned pid() const { return pid_; }
  const std::string& root() const { return root_; }        // site root, no trailing backslash
  const std::string& appRoot() const { return appRoot_; }  // root of the /app2 application
  std::string ReadAccessLog() const;

  // A file's bytes as the site holds them.
  static std::string DataBin();

 private:
  void WriteFile(const std::string& path, const std::string& contents);
  void MakeDirectory(const std::string& path);
  // Starts program (a Unix path) over the site and waits for its port.
  bool StartProgram(const std::string& program, const HostOptions& options);
  void StopProgram();

  std::string base_, root_, appRoot_, logPath_;
  std::vector<std::string> files_, directories_;
  std::unique_ptr<HttpServer> server_;
  HANDLE control_ = INVALID_HANDLE_VALUE;  // the program's control pipe, ours to close
  unsigned port_ = 0;
  unsigned pid_ = 0;
  bool started_ = false;
  std::string error_;
};

// The secret kept next to the site root; no response may ever contain it.
constexpr const char kSecret[] = "TOP SECRET outside the root";
