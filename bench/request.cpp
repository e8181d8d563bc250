// Request data parsing cost: query strings and form bodies of 1,000, 10,000 and 100,000
// fields, and Cookie headers of 10, 100 and 1,000 cookies, parsed into their
// collections. Prints the median time per field of several runs; the cost per field
// should stay flat as the count grows.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "objects/UrlEncoding.h"
#include "objects/YCookieDictionary.h"
#include "objects/YDictionary.h"

namespace {

constexpr int kRuns = 7;

double Seconds(const std::function<void()>& work) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  work();
  QueryPerformanceCounter(&end);
  return static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double MedianNanosPerField(int fields, const std::function<void()>& work) {
  std::vector<double> runs;
  for (int i = 0; i < kRuns; ++i) runs.push_back(Seconds(work) * 1e9 / fields);
  std::sort(runs.begin(), runs.end());
  return runs[runs.size() / 2];
}

// Fields with distinct names, a few repeated and a few escaped, as forms send them.
std::string UrlEncoded(int fields) {
  std::string text;
  for (int i = 0; i < fields; ++i) {
    if (i > 0) text += '&';
    text += "field" + std::to_string(i % 10 == 9 ? i - 1 : i) + "=value+" + std::to_string(i) + "%21";
  }
  return text;
}

std::string CookieHeader(int cookies) {
  std::string text;
  for (int i = 0; i < cookies; ++i) {
    if (i > 0) text += "; ";
    text += "cookie" + std::to_string(i) + (i % 4 == 3 ? "=a=1&b=2" : "=value" + std::to_string(i));
  }
  return text;
}

}  // namespace

int main() {
  printf("%-14s %10s %14s\n", "input", "fields", "ns per field");
  for (int fields : {1000, 10000, 100000}) {
    std::string query = UrlEncoded(fields);
    double ns = MedianNanosPerField(fields, [&] {
      auto* dict = new YDictionary;
      ParseQueryString(query.c_str(), *dict);
      dict->Release();
    });
    printf("%-14s %10d %14.1f\n", "query string", fields, ns);
  }
  for (int fields : {1000, 10000, 100000}) {
    std::string body = UrlEncoded(fields);
    double ns = MedianNanosPerField(fields, [&] {
      auto* dict = new YDictionary;
      dict->SetRawText(body);
      ParseFormBody(body, *dict);
      dict->Release();
    });
    printf("%-14s %10d %14.1f\n", "form body", fields, ns);
  }
  for (int cookies : {10, 100, 1000}) {
    std::string header = CookieHeader(cookies);
    double ns = MedianNanosPerField(cookies,
                                    [&] {
                                      // Many parses per run so that the small headers are measurable.
                                      for (int repeat = 0; repeat < 100000 / cookies; ++repeat) {
                                        auto* jar = new YCookieDictionary;
                                        std::string session;
                                        jar->ParseCookieHeader(header, &session);
                                        jar->Release();
                                      }
                                    }) /
                (100000 / cookies);
    printf("%-14s %10d %14.1f\n", "cookie header", cookies, ns);
  }
  return 0;
}
