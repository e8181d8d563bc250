#include "TestSite.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

TestSite::TestSite(const std::string& extensionPath, ConnectionLimits limits) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  base_ = std::string(temp) + "isapi-host-test-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(GetTickCount64());
  root_ = base_ + "\\site";
  appRoot_ = base_ + "\\app2";
  logPath_ = base_ + "\\access.log";
  MakeDirectory(base_);
  MakeDirectory(root_);
  MakeDirectory(appRoot_);
  MakeDirectory(root_ + "\\sub");
  MakeDirectory(root_ + "\\docs");
  MakeDirectory(root_ + "\\empty");
  WriteFile(base_ + "\\secret.txt", kSecret);
  WriteFile(root_ + "\\index.html", "<p>index</p>\n");
  WriteFile(root_ + "\\page.asp", "<% ' handled by the extension %>\n");
  WriteFile(root_ + "\\upper.ASP", "upper\n");
  WriteFile(root_ + "\\global.asa", "<script runat=server></script>\n");
  WriteFile(root_ + "\\lib.inc", "included\n");
  WriteFile(root_ + "\\data.asa", "hidden\n");
  WriteFile(root_ + "\\style.css", "body{}\n");
  WriteFile(root_ + "\\data.bin", DataBin());
  WriteFile(root_ + "\\sub\\default.asp", "sub default\n");
  WriteFile(root_ + "\\sub\\index.html", "not chosen: default.asp comes first\n");
  WriteFile(root_ + "\\docs\\index.html", "<p>docs</p>\n");
  WriteFile(appRoot_ + "\\page.asp", "app2\n");

  HostOptions options;
  options.root = root_;
  options.port = 0;
  options.threads = 40;
  options.extension = ToWindowsPath(extensionPath);
  options.apps.push_back({"/app2", appRoot_});
  options.accessLog = logPath_;
  server_ = std::make_unique<HttpServer>(options, limits);
  started_ = server_->Start(&error_);
}

TestSite::~TestSite() {
  server_.reset();
  DeleteFileA(logPath_.c_str());
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) DeleteFileA(it->c_str());
  for (auto it = directories_.rbegin(); it != directories_.rend(); ++it) RemoveDirectoryA(it->c_str());
}

std::string TestSite::ReadAccessLog() const {
  std::ifstream in(logPath_, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string TestSite::DataBin() {
  std::string data(100000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return data;
}

void TestSite::WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
  files_.push_back(path);
}

void TestSite::MakeDirectory(const std::string& path) {
  CreateDirectoryA(path.c_str(), nullptr);
  directories_.push_back(path);
}
