// YRStream: the reading side of the engine's byte streams.
#pragma once

#include <cstdint>

class YRStream {
 public:
  virtual ~YRStream() = default;
  // Reads up to length bytes into buffer: the number read, 0 at the end, -1 on failure.
  virtual int read(void* buffer, uint32_t length) = 0;
};
