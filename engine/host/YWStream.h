// YWStream: the writing side of the engine's byte streams. Users call write, flush and
// writeAndFree; an implementation provides writeRaw, which takes as many bytes as it can.
#pragma once

#include <cstdint>

class YWStream {
 public:
  YWStream() = default;
  YWStream(const YWStream&) = delete;
  YWStream& operator=(const YWStream&) = delete;
  virtual ~YWStream() = default;

  virtual bool reserved1() { return false; }
  // Hands all length bytes to writeRaw; false as soon as writeRaw takes less than one.
  // A length of 0 answers true without calling writeRaw.
  virtual bool write(const void* buffer, uint32_t length);
  virtual bool reserved2() { return true; }
  virtual bool flush() { return reserved2(); }
  // write, then frees buffer (allocated with malloc); answers write's result.
  virtual bool writeAndFree(void* buffer, uint32_t length);
  // Takes bytes: the number taken, or -1 when nothing could be taken.
  virtual int writeRaw(const void* buffer, uint32_t length);

  // Writes value in decimal; a failed write reports "cann't write to stream\n" on the
  // standard error.
  bool writeInteger(int value);
};
