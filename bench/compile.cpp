// Page compiler throughput: compiles an HTML-heavy page of 1 MB and of 8 MB (a few
// hundred code blocks and includes) many times and prints MB/s beside memchr over the
// same bytes, the ceiling for any scan of the text.
//   wine build/bench/bench_compile.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/YAspContext.h"
#include "compiler/CAspParser.h"

namespace {

class BenchContext : public YAspContext {
 public:
  explicit BenchContext(std::string root) : root_(std::move(root)) {}
  IUnknown* FindObject(const char*, bool) override { return nullptr; }
  bool AddObject(const char*, const CLSID&, const char*) override { return false; }
  HRESULT GetItemInfo(LPCOLESTR, DWORD, IUnknown**) override { return E_UNEXPECTED; }
  bool AddNamedItems(CScriptEngine*) override { return true; }
  bool MapVirtualPath(const char* url, std::string* path) override {
    *path = root_ + url;
    return true;
  }

 private:
  std::string root_;
};

std::string MakePage(size_t size) {
  const std::string html =
      "<tr><td class=\"name\">Product name goes here</td><td class=\"price\">12.50</td>"
      "<td><a href=\"/shop/item.asp?id=42\">details</a></td></tr>\r\n";
  std::string page = "<%@ language=VBScript %>\r\n<html><body><table>\r\n";
  size_t blocks = 0;
  while (page.size() < size) {
    for (int i = 0; i < 40 && page.size() < size; ++i) page += html;
    page += (++blocks % 10 == 0) ? "<!--#include file=\"part.inc\"-->\r\n" : "<% total = total + 1 %><%= total %>\r\n";
  }
  return page + "</table></body></html>\r\n";
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 9;
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string root = std::string(temp) + "bench_compile";
  CreateDirectoryA(root.c_str(), nullptr);
  std::ofstream(root + "\\part.inc", std::ios::binary) << "<p>included <%= Now %></p>\r\n";

  std::printf("%-8s %12s %12s %8s\n", "page", "compile MB/s", "memchr MB/s", "ratio");
  for (size_t size : {size_t(1) << 20, size_t(8) << 20}) {
    std::string page = MakePage(size - 4096);
    std::string path = root + "\\page.asp";
    std::ofstream(path, std::ios::binary).write(page.data(), static_cast<std::streamsize>(page.size()));
    const double mb = page.size() / 1048576.0;

    std::vector<double> compile, scan;
    size_t sink = 0;
    for (int r = 0; r < rounds; ++r) {
      auto t0 = std::chrono::steady_clock::now();
      {
        BenchContext context(root);
        CAspParser parser;
        parser.SetContext(&context);
        if (!parser.CompileFile("/page.asp", path.c_str())) {
          std::printf("compile failed: %s\n", parser.errorText().c_str());
          return 1;
        }
        sink += parser.htmlBlocks().size();
      }
      auto t1 = std::chrono::steady_clock::now();
      // The ceiling: read the file the same way and find every "<" with memchr.
      std::ifstream in(path, std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      for (const char* p = bytes.data();
           (p = static_cast<const char*>(std::memchr(p, '<', bytes.data() + bytes.size() - p))); ++p) {
        ++sink;
      }
      auto t2 = std::chrono::steady_clock::now();
      compile.push_back(mb / std::chrono::duration<double>(t1 - t0).count());
      scan.push_back(mb / std::chrono::duration<double>(t2 - t1).count());
    }
    double c = Median(compile), m = Median(scan);
    std::printf("%-8s %12.1f %12.1f %8.2f\n", size == (size_t(1) << 20) ? "1 MB" : "8 MB", c, m, c / m);
    if (sink == 0) std::printf("\n");
  }
  CoUninitialize();
  return 0;
}
