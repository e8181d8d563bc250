#include "host/YWStream.h"

#include <cstdio>
#include <cstdlib>

bool YWStream::write(const void* buffer, uint32_t length) {
  const char* bytes = static_cast<const char*>(buffer);
  while (length > 0) {
    int taken = writeRaw(bytes, length);
    if (taken < 1) return false;
    // An implementation never reports more than it was given; be safe if one does.
    uint32_t step = static_cast<uint32_t>(taken) < length ? static_cast<uint32_t>(taken) : length;
    bytes += step;
    length -= step;
  }
  return true;
}

bool YWStream::writeAndFree(void* buffer, uint32_t length) {
  bool ok = write(buffer, length);
  std::free(buffer);
  return ok;
}

int YWStream::writeRaw(const void*, uint32_t) { return -1; }

bool YWStream::writeInteger(int value) {
  char text[16];  // "%d" needs at most 11 characters and the NUL
  int length = std::snprintf(text, sizeof text, "%d", value);
  bool ok = length > 0 && write(text, static_cast<uint32_t>(length));
  if (!ok) std::fputs("cann't write to stream\n", stderr);
  return ok;
}
