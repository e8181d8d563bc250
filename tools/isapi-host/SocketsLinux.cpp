// Sockets over Linux's own socket calls: the Winelib program's network calls. A socket
// call here is a system call of this process, not a request to the wineserver. This
// file includes no Windows header (the two sets of socket headers collide).
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <vector>

#include "Sockets.h"

namespace {

int AsDescriptor(SocketId socket) { return static_cast<int>(socket); }

void PauseBriefly() {
  timespec pause{0, 10 * 1000 * 1000};
  nanosleep(&pause, nullptr);
}

void SetTimeout(int descriptor, int option, unsigned timeoutMs) {
  timeval timeout{static_cast<time_t>(timeoutMs / 1000), static_cast<suseconds_t>(timeoutMs % 1000 * 1000)};
  setsockopt(descriptor, SOL_SOCKET, option, &timeout, sizeof timeout);
}

}  // namespace

bool Sockets::Startup(std::string*) { return true; }

void Sockets::Cleanup() {}

SocketId Sockets::Listen(const std::string& address, unsigned port, unsigned* boundPort, std::string* error) {
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (listener < 0) {
    *error = "socket failed (errno " + std::to_string(errno) + ")";
    return kNoSocket;
  }
  // As on Windows, a port in TIME_WAIT from an earlier run does not stop a new server.
  int reuse = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, address.c_str(), &local.sin_addr);
  if (bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(listener, SOMAXCONN) != 0) {
    *error = errno == EADDRINUSE ? PortInUseText(address, port)
                                 : "cannot listen on " + address + ":" + std::to_string(port) + " (errno " +
                                       std::to_string(errno) + ")";
    close(listener);
    return kNoSocket;
  }
  socklen_t length = sizeof local;
  getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length);
  *boundPort = ntohs(local.sin_port);
  return listener;
}

SocketId Sockets::Accept(SocketId listener, unsigned timeoutMs, SocketEndpoint* peer) {
  pollfd ready{AsDescriptor(listener), POLLIN, 0};
  int count = poll(&ready, 1, static_cast<int>(timeoutMs));
  if (count == 0 || (count < 0 && errno == EINTR)) return kNoSocket;
  if (count < 0) {
    PauseBriefly();  // out of resources: do not spin
    return kNoSocket;
  }
  sockaddr_in from{};
  socklen_t fromLength = sizeof from;
  // Without SOCK_NONBLOCK the connection blocks, whatever the listener does.
  int client = accept4(AsDescriptor(listener), reinterpret_cast<sockaddr*>(&from), &fromLength, SOCK_CLOEXEC);
  if (client < 0) {
    // Gone before it was taken, or out of resources: do not spin.
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) PauseBriefly();
    return kNoSocket;
  }
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
  peer->address = text;
  peer->port = ntohs(from.sin_port);
  return client;
}

void Sockets::Configure(SocketId socket, unsigned receiveTimeoutMs, unsigned sendTimeoutMs) {
  SetTimeout(AsDescriptor(socket), SO_RCVTIMEO, receiveTimeoutMs);
  SetTimeout(AsDescriptor(socket), SO_SNDTIMEO, sendTimeoutMs);
  int noDelay = 1;
  setsockopt(AsDescriptor(socket), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
}

std::string Sockets::LocalAddress(SocketId socket) {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  char text[INET_ADDRSTRLEN] = "";
  if (getsockname(AsDescriptor(socket), reinterpret_cast<sockaddr*>(&local), &length) == 0)
    inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
  return text;
}

Sockets::ReceiveResult Sockets::Receive(SocketId socket, char* buffer, size_t length, size_t* received) {
  for (;;) {
    ssize_t got = recv(AsDescriptor(socket), buffer, length, 0);
    if (got > 0) {
      *received = static_cast<size_t>(got);
      return ReceiveResult::kData;
    }
    if (got == 0) return ReceiveResult::kClosed;
    if (errno == EINTR) continue;
    // SO_RCVTIMEO ran out.
    return errno == EAGAIN || errno == EWOULDBLOCK ? ReceiveResult::kTimedOut : ReceiveResult::kFailed;
  }
}

bool Sockets::Send(SocketId socket, const std::string_view* parts, size_t count) {
  for (size_t first = 0; first < count; first += kMaxSendParts) {
    iovec vectors[kMaxSendParts];
    size_t used = 0;
    for (size_t i = first; i < count && i < first + kMaxSendParts; ++i) {
      if (parts[i].empty()) continue;
      vectors[used].iov_base = const_cast<char*>(parts[i].data());
      vectors[used].iov_len = parts[i].size();
      ++used;
    }
    iovec* next = vectors;
    while (used > 0) {
      msghdr message{};
      message.msg_iov = next;
      message.msg_iovlen = used;
      // A peer that went away answers EPIPE here instead of a SIGPIPE to the process.
      ssize_t sent = sendmsg(AsDescriptor(socket), &message, MSG_NOSIGNAL);
      if (sent < 0) {
        if (errno == EINTR) continue;
        return false;  // failed, or the send time-out ran out
      }
      size_t left = static_cast<size_t>(sent);
      while (used > 0 && left >= next->iov_len) {
        left -= next->iov_len;
        ++next;
        --used;
      }
      if (used > 0) {
        next->iov_base = static_cast<char*>(next->iov_base) + left;
        next->iov_len -= left;
      }
    }
  }
  return true;
}

Sockets::ReceiveResult Sockets::ReceiveNow(SocketId socket, char* buffer, size_t length, size_t* received) {
  for (;;) {
    ssize_t got = recv(AsDescriptor(socket), buffer, length, MSG_DONTWAIT);
    if (got > 0) {
      *received = static_cast<size_t>(got);
      return ReceiveResult::kData;
    }
    if (got == 0) return ReceiveResult::kClosed;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK ? ReceiveResult::kTimedOut : ReceiveResult::kFailed;
  }
}

bool Sockets::WaitReadable(SocketId socket, unsigned timeoutMs) {
  pollfd ready{AsDescriptor(socket), POLLIN, 0};
  return poll(&ready, 1, static_cast<int>(timeoutMs)) > 0;
}

int Sockets::Poll(PollEntry* entries, size_t count, unsigned timeoutMs) {
  thread_local std::vector<pollfd> descriptors;
  descriptors.resize(count);
  for (size_t i = 0; i < count; ++i) descriptors[i] = pollfd{AsDescriptor(entries[i].socket), POLLIN, 0};
  int ready = poll(descriptors.data(), count, static_cast<int>(timeoutMs));
  if (ready < 0) return errno == EINTR ? 0 : -1;
  for (size_t i = 0; i < count; ++i) entries[i].readable = descriptors[i].revents != 0;
  return ready;
}

SocketId Sockets::CreateWaker(std::string* error) {
  int waker = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (waker < 0) *error = "eventfd failed (errno " + std::to_string(errno) + ")";
  return waker < 0 ? kNoSocket : waker;
}

void Sockets::Wake(SocketId waker) {
  uint64_t one = 1;
  ssize_t written = write(AsDescriptor(waker), &one, sizeof one);
  (void)written;  // a full counter is already readable
}

void Sockets::DrainWaker(SocketId waker) {
  uint64_t count = 0;
  ssize_t got = read(AsDescriptor(waker), &count, sizeof count);
  (void)got;
}

void Sockets::ShutdownSend(SocketId socket) { shutdown(AsDescriptor(socket), SHUT_WR); }

void Sockets::ShutdownBoth(SocketId socket) { shutdown(AsDescriptor(socket), SHUT_RDWR); }

void Sockets::Close(SocketId socket) { close(AsDescriptor(socket)); }
