// TestSite: a small site in a fresh temporary folder (with a file outside its root, for
// traversal attempts) and an isapi-host server over it in this process.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "HttpServer.h"

class TestSite {
 public:
  // extensionPath: a Unix or Windows path of the extension DLL.
  TestSite(const std::string& extensionPath, ConnectionLimits limits);
  ~TestSite();
  TestSite(const TestSite&) = delete;
  TestSite& operator=(const TestSite&) = delete;

  bool started() const { return started_; }
  const std::string& startError() const { return error_; }
  unsigned port() const { return server_ ? server_->port() : 0; }
  const std::string& root() const { return root_; }        // site root, no trailing backslash
  const std::string& appRoot() const { return appRoot_; }  // root of the /app2 application
  std::string ReadAccessLog() const;

  // A file's bytes as the site holds them.
  static std::string DataBin();

 private:
  void WriteFile(const std::string& path, const std::string& contents);
  void MakeDirectory(const std::string& path);

  std::string base_, root_, appRoot_, logPath_;
  std::vector<std::string> files_, directories_;
  std::unique_ptr<HttpServer> server_;
  bool started_ = false;
  std::string error_;
};

// The secret kept next to the site root; no response may ever contain it.
constexpr const char kSecret[] = "TOP SECRET outside the root";
