// SocketStream: one client connection's socket with its receive buffer. Blocking
// calls with the time-outs set on the socket; every send of a response goes out in one
// gathered call.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "Sockets.h"

class SocketStream {
 public:
  // Bytes asked of one recv.
  static constexpr size_t kReceiveChunk = 16384;

  explicit SocketStream(SocketId socket, std::string received = {}) : socket_(socket), buffer_(std::move(received)) {}

  SocketId socket() const { return socket_; }

  // Receives more bytes into the buffer: false on close, time-out or error.
  bool ReceiveMore();
  // Receives into buffer directly (bypassing the buffer): bytes, 0 on close, -1 on error.
  int ReceiveDirect(char* buffer, int length);

  // Bytes received and not yet consumed.
  std::string_view Pending() const { return std::string_view(buffer_).substr(start_); }
  void Consume(size_t bytes);

  // Sends every part; false when the connection failed.
  bool Send(std::string_view a, std::string_view b = {}, std::string_view c = {});

  // The bytes received and not consumed, taken out of the stream.
  std::string TakePending();

  // Called once before the next send (a response about to start), then disarmed.
  void ArmBeforeSend(std::function<void()> hook) { beforeSend_ = std::move(hook); }

  bool failed() const { return failed_; }

 private:
  SocketId socket_;
  std::string buffer_;
  size_t start_ = 0;
  bool failed_ = false;
  std::function<void()> beforeSend_;
};
