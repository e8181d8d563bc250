// StaticFileCache: the contents of small static files, kept while their size and last
// write time stay the same. Checked with one attribute query per request.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

struct StaticFile {
  std::string contents;
  FILETIME lastWrite{};
  std::string fields;  // Content-Type and Last-Modified header lines
};

class StaticFileCache {
 public:
  static constexpr uint64_t kMaxCachedFileBytes = 1 << 20;
  static constexpr uint64_t kMaxCacheBytes = 64ull << 20;
  // Largest static file served at all (read whole into memory).
  static constexpr uint64_t kMaxFileBytes = 256ull << 20;

  StaticFileCache() { InitializeSRWLock(&lock_); }

  enum class Result { kOk, kNotFound, kTooLarge, kError };
  // The file's contents; *file stays valid while the caller holds the pointer.
  Result Get(const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& attributes,
             std::shared_ptr<const StaticFile>* file);

 private:
  SRWLOCK lock_;
  std::unordered_map<std::string, std::shared_ptr<const StaticFile>> files_;
  uint64_t bytes_ = 0;
};
