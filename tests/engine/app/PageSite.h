// PageSite: page files in a fresh temporary folder, served by isapi-host with the real
// vellum.dll, in this process.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "HttpServer.h"
#include "TestClient.h"
#include "support/TestPageFiles.h"

class PageSite {
 public:
  PageSite();
  ~PageSite();
  PageSite(const PageSite&) = delete;
  PageSite& operator=(const PageSite&) = delete;

  // Writes a file under the root; relative uses "/" or "\".
  void Write(const std::string& relative, std::string_view bytes);
  // Serves the folder physicalRoot as its own application under url ("/a"); before Start.
  void AddApplication(const std::string& url, const std::string& physicalRoot);
  // Starts the server (after the files are written); adjust may change its options.
  bool Start(std::string* error, const std::function<void(HostOptions*)>& adjust = {});

  HttpResponse Get(const std::string& target, const std::string& extraHeaders = "");
  unsigned port() const { return server_ ? server_->port() : 0; }
  const std::string& root() const { return root_; }
  std::string ReadAccessLog() const;
  // The access log once it holds needle: the line of a request is written after its
  // response went out, so a client can be quicker than the log (5 s at most).
  std::string AccessLogWith(std::string_view needle) const;

 private:
  TestPageFiles files_;  // the site is its folder "site"; the access log sits beside it
  std::string root_, logPath_;
  std::vector<Application> apps_;
  std::unique_ptr<HttpServer> server_;  // stopped before the files go
};
