// YHashedStringMap: the name-to-text map of a cookie's sub-keys and attributes. Names
// match exactly (case-sensitive). Iteration follows a fixed hash order, which decides
// the order of sub-keys and attributes in a "Set-Cookie" line: a name's hash starts at
// 0 and becomes h * 33 + b for each byte b taken as a signed 8-bit value (unsigned
// 32-bit arithmetic); the name goes to bucket h mod 17, at the head of its chain;
// changing a name's text keeps its place. Buckets are visited 0 to 16, each chain from
// its head.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class YHashedStringMap {
 public:
  static constexpr size_t kBuckets = 17;

  using Entry = std::pair<std::string, std::string>;

  // A place in the iteration order. It stays usable when the map changes: a walk then
  // ends early or repeats names, but never reads outside the map.
  struct Position {
    size_t bucket = 0;
    size_t index = 0;  // from the head of the bucket's chain
  };

  static uint32_t Hash(std::string_view name);

  const std::string* Find(std::string_view name) const;
  void Set(std::string_view name, std::string_view text);
  bool Remove(std::string_view name);
  void Clear();
  bool empty() const { return size_ == 0; }
  size_t size() const { return size_; }

  // The entry at position (moved on to the next one that exists), or null at the end.
  const Entry* At(Position* position) const;
  // The entry at position and the position after it; null at the end.
  const Entry* Next(Position* position) const;

  // Visits every entry in iteration order.
  template <class F>
  void ForEach(F&& visit) const {
    Position position;
    while (const Entry* entry = Next(&position)) visit(entry->first, entry->second);
  }

 private:
  // Each chain is stored tail first, so that a new name is appended at the back.
  std::array<std::vector<Entry>, kBuckets> chains_;
  size_t size_ = 0;
};
