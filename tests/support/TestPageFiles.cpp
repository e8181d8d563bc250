#include "TestPageFiles.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <io.h>
#include <sstream>

namespace {
void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = dir + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(dir.c_str());
}
}  // namespace

TestPageFiles::TestPageFiles() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  static LONG counter = 0;
  root_ = std::string(temp) + "pages" + std::to_string(GetCurrentProcessId()) + "_" +
          std::to_string(InterlockedIncrement(&counter));
  CreateDirectoryA(root_.c_str(), nullptr);
}

TestPageFiles::~TestPageFiles() { RemoveTree(root_); }

std::string TestPageFiles::Write(const std::string& relative, std::string_view bytes) {
  std::string path = root_ + "\\" + relative;
  for (size_t i = root_.size() + 1; i < path.size(); ++i) {
    if (path[i] == '\\') CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
  }
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

StderrCapture::StderrCapture() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  path_ = std::string(temp) + "stderr" + std::to_string(GetCurrentProcessId()) + ".txt";
  fflush(stderr);
  saved_ = _dup(2);
  FILE* file = fopen(path_.c_str(), "wb");
  _dup2(_fileno(file), 2);
  fclose(file);
}

std::string StderrCapture::Text() {
  fflush(stderr);
  std::ifstream in(path_, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

StderrCapture::~StderrCapture() {
  fflush(stderr);
  _dup2(saved_, 2);
  _close(saved_);
  DeleteFileA(path_.c_str());
}
