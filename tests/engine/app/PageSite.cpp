#include "PageSite.h"

#include <windows.h>

#include <fstream>
#include <sstream>

PageSite::PageSite() {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  static LONG counter = 0;
  std::string base = std::string(temp) + "vellum-pages-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(InterlockedIncrement(&counter));
  root_ = base + "\\site";
  logPath_ = base + "-access.log";
  CreateDirectoryA(base.c_str(), nullptr);
  CreateDirectoryA(root_.c_str(), nullptr);
  directories_ = {base, root_};
}

PageSite::~PageSite() {
  server_.reset();
  DeleteFileA(logPath_.c_str());
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) DeleteFileA(it->c_str());
  for (auto it = directories_.rbegin(); it != directories_.rend(); ++it) RemoveDirectoryA(it->c_str());
}

void PageSite::Write(const std::string& relative, std::string_view bytes) {
  std::string path = root_ + "\\" + relative;
  for (char& c : path) c = c == '/' ? '\\' : c;
  for (size_t i = root_.size() + 1; i < path.size(); ++i) {
    if (path[i] == '\\' && CreateDirectoryA(path.substr(0, i).c_str(), nullptr)) {
      directories_.push_back(path.substr(0, i));
    }
  }
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  files_.push_back(path);
}

bool PageSite::Start(std::string* error) {
  HostOptions options;
  options.root = root_;
  options.port = 0;
  options.threads = 40;
  options.extension = ToWindowsPath(VELLUM_DLL_PATH);
  options.accessLog = logPath_;
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
