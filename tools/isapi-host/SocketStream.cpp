#include "SocketStream.h"

bool SocketStream::ReceiveMore() {
  if (start_ > 0 && start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > 65536) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  size_t used = buffer_.size();
  buffer_.resize(used + kReceiveChunk);
  size_t got = 0;
  Sockets::ReceiveResult result = Sockets::Receive(socket_, buffer_.data() + used, kReceiveChunk, &got);
  buffer_.resize(used + got);
  // After a time-out the connection can still carry the server's last answer.
  if (result == Sockets::ReceiveResult::kFailed) failed_ = true;
  return result == Sockets::ReceiveResult::kData;
}

int SocketStream::ReceiveDirect(char* buffer, int length) {
  if (length <= 0) return 0;
  size_t got = 0;
  switch (Sockets::Receive(socket_, buffer, static_cast<size_t>(length), &got)) {
    case Sockets::ReceiveResult::kData: return static_cast<int>(got);
    case Sockets::ReceiveResult::kClosed: return 0;
    case Sockets::ReceiveResult::kTimedOut:
    case Sockets::ReceiveResult::kFailed: break;
  }
  failed_ = true;
  return -1;
}

void SocketStream::Consume(size_t bytes) {
  start_ += bytes;
  if (start_ >= buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
}

std::string SocketStream::TakePending() {
  buffer_.erase(0, start_);
  start_ = 0;
  return std::move(buffer_);
}

bool SocketStream::Send(std::string_view a, std::string_view b, std::string_view c) {
  if (failed_) return false;
  if (beforeSend_) {
    beforeSend_();
    beforeSend_ = nullptr;
  }
  const std::string_view parts[] = {a, b, c};
  if (!Sockets::Send(socket_, parts, 3)) failed_ = true;
  return !failed_;
}
