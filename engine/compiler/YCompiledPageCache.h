// YCompiledPageCache: compiled pages kept between requests, keyed by what decides the
// compile's result (the page's physical and virtual path, its application and the code
// page in force). A page is used again while every file it was built from still has
// the size and write time it had (one attribute query each, no open); otherwise it is
// dropped and compiled again. Bounded: past kDefaultLimitBytes the least recently used
// pages go.
//
// A file written within kSettleMs before it was read may change again within the same
// write-time tick without its stamp changing, so a page built from such a file is not
// kept.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

#include "automation/YMutex.h"
#include "compiler/YCompiledPage.h"

class YCompiledPageCache {
 public:
  static constexpr size_t kDefaultLimitBytes = 64u << 20;
  static constexpr uint64_t kSettleMs = 2000;

  explicit YCompiledPageCache(size_t limitBytes = kDefaultLimitBytes) : limitBytes_(limitBytes) {}
  YCompiledPageCache(const YCompiledPageCache&) = delete;
  YCompiledPageCache& operator=(const YCompiledPageCache&) = delete;

  // The process's cache.
  static YCompiledPageCache& Instance();

  // The page kept under key when none of its files changed; null otherwise.
  std::shared_ptr<const YCompiledPage> Find(const std::string& key);
  // Keeps page under key unless one of its files was written too recently (see
  // kSettleMs) or it alone is over the limit; evicts the least recently used pages.
  void Store(const std::string& key, std::shared_ptr<const YCompiledPage> page);
  void Clear();

  size_t size() const;
  size_t bytes() const;

  // Whether a file's stamp still holds; false when it is gone or changed.
  static bool StillCurrent(const YFileStamp& stamp);

 private:
  struct Entry {
    std::shared_ptr<const YCompiledPage> page;
    std::list<std::string>::iterator age;  // in order_, most recent first
  };
  void EraseLocked(std::unordered_map<std::string, Entry>::iterator found);

  mutable YMutex mutex_;
  size_t limitBytes_;
  size_t bytes_ = 0;
  std::unordered_map<std::string, Entry> entries_;
  std::list<std::string> order_;
};
