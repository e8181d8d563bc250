#include "YHashedStringMap.h"

uint32_t YHashedStringMap::Hash(std::string_view name) {
  uint32_t h = 0;
  for (char c : name) h = h * 33 + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
  return h;
}

const std::string* YHashedStringMap::Find(std::string_view name) const {
  for (const Entry& entry : chains_[Hash(name) % kBuckets]) {
    if (entry.first == name) return &entry.second;
  }
  return nullptr;
}

void YHashedStringMap::Set(std::string_view name, std::string_view text) {
  std::vector<Entry>& chain = chains_[Hash(name) % kBuckets];
  for (Entry& entry : chain) {
    if (entry.first == name) {
      entry.second.assign(text);
      return;
    }
  }
  chain.emplace_back(std::string(name), std::string(text));
  ++size_;
}

bool YHashedStringMap::Remove(std::string_view name) {
  std::vector<Entry>& chain = chains_[Hash(name) % kBuckets];
  for (auto it = chain.begin(); it != chain.end(); ++it) {
    if (it->first == name) {
      chain.erase(it);
      --size_;
      return true;
    }
  }
  return false;
}

void YHashedStringMap::Clear() {
  for (auto& chain : chains_) chain.clear();
  size_ = 0;
}

const YHashedStringMap::Entry* YHashedStringMap::At(Position* position) const {
  while (position->bucket < kBuckets) {
    const std::vector<Entry>& chain = chains_[position->bucket];
    if (position->index < chain.size()) return &chain[chain.size() - 1 - position->index];
    ++position->bucket;
    position->index = 0;
  }
  return nullptr;
}

const YHashedStringMap::Entry* YHashedStringMap::Next(Position* position) const {
  const Entry* entry = At(position);
  if (entry) ++position->index;
  return entry;
}
