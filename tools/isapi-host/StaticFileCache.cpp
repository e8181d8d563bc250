#include "StaticFileCache.h"

#include <algorithm>

#include "HttpDate.h"
#include "MimeTypes.h"

namespace {

struct FileHandle {
  HANDLE handle;
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

}  // namespace

StaticFileCache::Result StaticFileCache::Get(const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& attributes,
                                             std::shared_ptr<const StaticFile>* file) {
  uint64_t size = (static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
  if (size > kMaxFileBytes) return Result::kTooLarge;
  AcquireSRWLockShared(&lock_);
  auto it = files_.find(path);
  if (it != files_.end() && it->second->contents.size() == size &&
      SameTime(it->second->lastWrite, attributes.ftLastWriteTime)) {
    *file = it->second;
    ReleaseSRWLockShared(&lock_);
    return Result::kOk;
  }
  ReleaseSRWLockShared(&lock_);

  FileHandle opened{CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
  if (opened.handle == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_FILE_NOT_FOUND ? Result::kNotFound : Result::kError;
  auto loaded = std::make_shared<StaticFile>();
  loaded->lastWrite = attributes.ftLastWriteTime;
  loaded->contents.resize(static_cast<size_t>(size));
  size_t done = 0;
  while (done < loaded->contents.size()) {
    DWORD got = 0;
    DWORD want = static_cast<DWORD>(std::min<size_t>(loaded->contents.size() - done, 1 << 20));
    if (!ReadFile(opened.handle, loaded->contents.data() + done, want, &got, nullptr)) return Result::kError;
    if (got == 0) break;  // the file shrank meanwhile
    done += got;
  }
  loaded->contents.resize(done);
  loaded->fields = std::string("Content-Type: ") + ContentTypeForFile(path) +
                   "\r\nLast-Modified: " + FormatHttpDate(attributes.ftLastWriteTime) + "\r\n";
  *file = loaded;

  if (done <= kMaxCachedFileBytes) {
    AcquireSRWLockExclusive(&lock_);
    auto& slot = files_[path];
    if (slot) bytes_ -= slot->contents.size();
    if (bytes_ + done > kMaxCacheBytes) {
      files_.clear();
      bytes_ = 0;
      files_[path] = loaded;
    } else {
      slot = loaded;
    }
    bytes_ += done;
    ReleaseSRWLockExclusive(&lock_);
  }
  return Result::kOk;
}
