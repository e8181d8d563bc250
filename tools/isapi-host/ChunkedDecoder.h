// ChunkedDecoder: decodes a "Transfer-Encoding: chunked" request body as its bytes
// arrive. Chunk extensions are skipped; trailer fields are read and dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class ChunkedDecoder {
 public:
  enum class State { kMore, kDone, kError };
  // Longest chunk-size line (size, extensions) and trailer line accepted.
  static constexpr size_t kMaxLineBytes = 4096;

  // Consumes bytes from input, appending decoded data to out. *consumed is how many
  // input bytes were used; at kDone the rest belongs to the next request.
  State Feed(std::string_view input, std::string* out, size_t* consumed);

  uint64_t decodedBytes() const { return decoded_; }

 private:
  enum class Phase { kSize, kData, kDataEnd, kTrailer, kDone, kError };
  Phase phase_ = Phase::kSize;
  std::string line_;
  uint64_t remaining_ = 0;
  uint64_t decoded_ = 0;
};
