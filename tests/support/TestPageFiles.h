// A scratch folder of page files for one test, removed with it.
#pragma once

#include <string>
#include <string_view>

class TestPageFiles {
 public:
  TestPageFiles();
  ~TestPageFiles();
  TestPageFiles(const TestPageFiles&) = delete;
  TestPageFiles& operator=(const TestPageFiles&) = delete;

  // Writes bytes to root\relative (folders made as needed); answers the full path.
  std::string Write(const std::string& relative, std::string_view bytes);
  const std::string& root() const { return root_; }

 private:
  std::string root_;
};

// Collects what the process writes to standard error while it lives.
class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  std::string Text();

 private:
  int saved_ = -1;
  std::string path_;
};
