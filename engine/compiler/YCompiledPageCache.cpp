#include "compiler/YCompiledPageCache.h"

YFileStamp YFileStamp::From(const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& attributes) {
  YFileStamp stamp;
  stamp.path = path;
  stamp.size = (static_cast<uint64_t>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
  stamp.writeTime = (static_cast<uint64_t>(attributes.ftLastWriteTime.dwHighDateTime) << 32) |
                    attributes.ftLastWriteTime.dwLowDateTime;
  return stamp;
}

void YCompiledPage::CountBytes() {
  size_t total = sizeof(YCompiledPage);
  for (const Engine& engine : engines) {
    total += sizeof engine + engine.program.mainText.size() * sizeof(wchar_t) +
             engine.program.mainSpans.size() * sizeof(YLineSpan);
    for (const auto& [index, block] : engine.program.scriptBlocks)
      total += block.text.size() * sizeof(wchar_t) + block.spans.size() * sizeof(YLineSpan);
  }
  for (const YHtmlBlock& block : htmlBlocks) total += sizeof block + block.text.size();
  for (const std::string& name : fileNames) total += name.size();
  for (const ContextEffect& effect : effects) total += sizeof effect + effect.attributeText.size();
  for (const YFileStamp& file : files) total += sizeof file + file.path.size();
  bytes = total;
}

YCompiledPageCache& YCompiledPageCache::Instance() {
  // Never destroyed: pages may still be compiled while the process exits.
  static YCompiledPageCache* cache = new YCompiledPageCache;
  return *cache;
}

bool YCompiledPageCache::StillCurrent(const YFileStamp& stamp) {
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!GetFileAttributesExA(stamp.path.c_str(), GetFileExInfoStandard, &attributes)) return false;
  return YFileStamp::From(stamp.path, attributes) == stamp;
}

std::shared_ptr<const YCompiledPage> YCompiledPageCache::Find(const std::string& key) {
  std::shared_ptr<const YCompiledPage> page;
  {
    YMutexLock lock(mutex_);
    auto found = entries_.find(key);
    if (found == entries_.end()) return nullptr;
    page = found->second.page;
    order_.splice(order_.begin(), order_, found->second.age);
  }
  // The files are asked outside the lock; a page that changed is dropped unless another
  // thread put a fresh one in its place meanwhile.
  for (const YFileStamp& file : page->files) {
    if (StillCurrent(file)) continue;
    YMutexLock lock(mutex_);
    auto found = entries_.find(key);
    if (found != entries_.end() && found->second.page == page) EraseLocked(found);
    return nullptr;
  }
  return page;
}

void YCompiledPageCache::Store(const std::string& key, std::shared_ptr<const YCompiledPage> page) {
  if (!page || page->bytes > limitBytes_) return;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const uint64_t nowTicks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  const uint64_t settleTicks = kSettleMs * 10000;
  for (const YFileStamp& file : page->files) {
    if (file.writeTime + settleTicks > nowTicks) return;
  }
  YMutexLock lock(mutex_);
  auto found = entries_.find(key);
  if (found != entries_.end()) EraseLocked(found);
  order_.push_front(key);
  bytes_ += page->bytes;
  entries_.emplace(key, Entry{std::move(page), order_.begin()});
  while (bytes_ > limitBytes_ && !order_.empty()) EraseLocked(entries_.find(order_.back()));
}

void YCompiledPageCache::Clear() {
  YMutexLock lock(mutex_);
  entries_.clear();
  order_.clear();
  bytes_ = 0;
}

size_t YCompiledPageCache::size() const {
  YMutexLock lock(mutex_);
  return entries_.size();
}

size_t YCompiledPageCache::bytes() const {
  YMutexLock lock(mutex_);
  return bytes_;
}

void YCompiledPageCache::EraseLocked(std::unordered_map<std::string, Entry>::iterator found) {
  bytes_ -= found->second.page->bytes;
  order_.erase(found->second.age);
  entries_.erase(found);
}
