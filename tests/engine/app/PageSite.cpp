#include "PageSite.h"

#include <windows.h>

#include <fstream>
#include <sstream>

PageSite::PageSite() : root_(files_.root() + "\\site"), logPath_(files_.root() + "\\access.log") {
  CreateDirectoryA(root_.c_str(), nullptr);
}

PageSite::~PageSite() { server_.reset(); }

void PageSite::Write(const std::string& relative, std::string_view bytes) {
  std::string path = "site\\" + relative;
  for (char& c : path) c = c == '/' ? '\\' : c;
  files_.Write(path, bytes);
}

void PageSite::AddApplication(const std::string& url, const std::string& physicalRoot) {
  apps_.push_back({url, physicalRoot});
}

bool PageSite::Start(std::string* error, const std::function<void(HostOptions*)>& adjust) {
  HostOptions options;
  options.root = root_;
  options.port = 0;
  options.threads = 40;
  options.extension = ToWindowsPath(VELLUM_DLL_PATH);
  options.accessLog = logPath_;
  options.apps = apps_;
  if (adjust) adjust(&options);
  server_ = std::make_unique<HttpServer>(options);
  return server_->Start(error);
}

HttpResponse PageSite::Get(const std::string& target, const std::string& extraHeaders) {
  return Fetch(port(), "GET", target, extraHeaders);
}

std::string PageSite::ReadAccessLog() const {
  std::ifstream in(logPath_, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string PageSite::AccessLogWith(std::string_view needle) const {
  std::string log = ReadAccessLog();
  for (int i = 0; i < 100 && log.find(needle) == std::string::npos; ++i) {
    Sleep(50);
    log = ReadAccessLog();
  }
  return log;
}
