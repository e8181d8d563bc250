// YStringBuf: a growable in-memory YWStream (the response head buffers). The data is
// not NUL-terminated by the stream, but at least one byte after it is always free, so
// a user may put a NUL at end().
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/YWStream.h"

class YStringBuf : public YWStream {
 public:
  // Growth step limit: the capacity doubles up to this and then grows by it.
  static constexpr uint32_t kMaxGrowthStep = 8192;

  explicit YStringBuf(uint32_t capacity);
  ~YStringBuf() override;

  // Appends the bytes, growing as needed; false (content kept) when memory runs out.
  bool write(const void* buffer, uint32_t length) override;

  char* data() const { return start_; }
  char* end() const { return end_; }
  uint32_t size() const { return static_cast<uint32_t>(end_ - start_); }
  uint32_t capacity() const { return capacity_; }
  // Empties the buffer (keeps the allocation).
  void clear() { end_ = start_; }
  // Writes a NUL at end() (always inside the allocation) and answers data().
  const char* terminate();

 private:
  char* start_ = nullptr;
  char* end_ = nullptr;
  uint32_t capacity_ = 0;
};
