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
  int got = recv(socket_, buffer_.data() + used, static_cast<int>(kReceiveChunk), 0);
  int error = got < 0 ? WSAGetLastError() : 0;
  timedOut_ = error == WSAETIMEDOUT;
  buffer_.resize(used + (got > 0 ? static_cast<size_t>(got) : 0));
  if (got <= 0) {
    // After a time-out the connection can still carry the server's last answer.
    if (got < 0 && !timedOut_) failed_ = true;
    return false;
  }
  return true;
}

int SocketStream::ReceiveDirect(char* buffer, int length) {
  int got = recv(socket_, buffer, length, 0);
  if (got < 0) failed_ = true;
  return got < 0 ? -1 : got;
}

void SocketStream::Consume(size_t bytes) {
  start_ += bytes;
  if (start_ >= buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
}

bool SocketStream::Send(std::string_view a, std::string_view b, std::string_view c) {
  if (failed_) return false;
  WSABUF parts[3];
  DWORD count = 0;
  for (std::string_view part : {a, b, c}) {
    if (part.empty()) continue;
    parts[count].buf = const_cast<char*>(part.data());
    parts[count].len = static_cast<ULONG>(part.size());
    ++count;
  }
  WSABUF* next = parts;
  while (count > 0) {
    DWORD sent = 0;
    if (WSASend(socket_, next, count, &sent, 0, nullptr, nullptr) != 0) {
      failed_ = true;
      return false;
    }
    // A blocking send normally takes everything; continue after a partial one.
    while (count > 0 && sent >= next->len) {
      sent -= next->len;
      ++next;
      --count;
    }
    if (count > 0) {
      next->buf += sent;
      next->len -= sent;
    }
  }
  return true;
}
