#include "ChunkedDecoder.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

ChunkedDecoder::State ChunkedDecoder::Feed(std::string_view input, std::string* out, size_t* consumed) {
  size_t pos = 0;
  auto finish = [&](State state) {
    *consumed = pos;
    return state;
  };
  while (pos < input.size()) {
    switch (phase_) {
      case Phase::kSize:
      case Phase::kDataEnd:
      case Phase::kTrailer: {
        // Collect one line.
        size_t newline = input.find('\n', pos);
        size_t take = (newline == std::string_view::npos ? input.size() : newline) - pos;
        if (line_.size() + take > kMaxLineBytes) {
          phase_ = Phase::kError;
          return finish(State::kError);
        }
        line_.append(input.substr(pos, take));
        if (newline == std::string_view::npos) {
          pos = input.size();
          break;
        }
        pos = newline + 1;
        std::string_view line = line_;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (phase_ == Phase::kDataEnd) {
          if (!line.empty()) {
            phase_ = Phase::kError;
            return finish(State::kError);
          }
          phase_ = Phase::kSize;
        } else if (phase_ == Phase::kTrailer) {
          if (line.empty()) {
            phase_ = Phase::kDone;
            line_.clear();
            return finish(State::kDone);
          }
        } else {
          uint64_t size = 0;
          size_t digits = 0;
          while (digits < line.size() && HexValue(line[digits]) >= 0) {
            if (digits == 15) {  // more than 60 bits: no body is that long
              phase_ = Phase::kError;
              return finish(State::kError);
            }
            size = size * 16 + static_cast<unsigned>(HexValue(line[digits]));
            ++digits;
          }
          std::string_view rest = line.substr(digits);
          while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
          if (digits == 0 || (!rest.empty() && rest.front() != ';')) {
            phase_ = Phase::kError;
            return finish(State::kError);
          }
          remaining_ = size;
          phase_ = size ? Phase::kData : Phase::kTrailer;
        }
        line_.clear();
        break;
      }
      case Phase::kData: {
        size_t take = input.size() - pos;
        if (take > remaining_) take = static_cast<size_t>(remaining_);
        out->append(input.substr(pos, take));
        pos += take;
        remaining_ -= take;
        decoded_ += take;
        if (remaining_ == 0) phase_ = Phase::kDataEnd;
        break;
      }
      case Phase::kDone: return finish(State::kDone);
      case Phase::kError: return finish(State::kError);
    }
  }
  if (phase_ == Phase::kDone) return finish(State::kDone);
  if (phase_ == Phase::kError) return finish(State::kError);
  return finish(State::kMore);
}
