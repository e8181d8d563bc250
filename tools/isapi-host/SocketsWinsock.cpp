// Sockets over Winsock: the Windows program's network calls.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "Sockets.h"

#include <algorithm>
#include <vector>

namespace {

SOCKET AsSocket(SocketId socket) { return static_cast<SOCKET>(socket); }

}  // namespace

bool Sockets::Startup(std::string* error) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) == 0) return true;
  *error = "WSAStartup failed";
  return false;
}

void Sockets::Cleanup() { WSACleanup(); }

SocketId Sockets::Listen(const std::string& address, unsigned port, unsigned* boundPort, std::string* error) {
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) {
    *error = "socket failed (" + std::to_string(WSAGetLastError()) + ")";
    return kNoSocket;
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<u_short>(port));
  inet_pton(AF_INET, address.c_str(), &local.sin_addr);
  if (bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(listener, SOMAXCONN) != 0) {
    const int code = WSAGetLastError();
    *error = code == WSAEADDRINUSE
                 ? PortInUseText(address, port)
                 : "cannot listen on " + address + ":" + std::to_string(port) + " (error " + std::to_string(code) + ")";
    closesocket(listener);
    return kNoSocket;
  }
  u_long nonBlocking = 1;
  ioctlsocket(listener, FIONBIO, &nonBlocking);
  int length = sizeof local;
  getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length);
  *boundPort = ntohs(local.sin_port);
  return static_cast<SocketId>(listener);
}

SocketId Sockets::Accept(SocketId listener, unsigned timeoutMs, SocketEndpoint* peer) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(AsSocket(listener), &ready);
  timeval slice{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000 * 1000)};
  int count = select(0, &ready, nullptr, nullptr, &slice);
  if (count == 0) return kNoSocket;
  if (count < 0) {
    Sleep(10);  // out of resources: do not spin
    return kNoSocket;
  }
  sockaddr_in from{};
  int fromLength = sizeof from;
  SOCKET client = accept(AsSocket(listener), reinterpret_cast<sockaddr*>(&from), &fromLength);
  if (client == INVALID_SOCKET) {
    // Gone before it was taken (WSAEWOULDBLOCK), or out of resources: do not spin.
    if (WSAGetLastError() != WSAEWOULDBLOCK) Sleep(10);
    return kNoSocket;
  }
  // The listener does not block; the connection does, with its time-outs.
  u_long nonBlocking = 0;
  ioctlsocket(client, FIONBIO, &nonBlocking);
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
  peer->address = text;
  peer->port = ntohs(from.sin_port);
  return static_cast<SocketId>(client);
}

void Sockets::Configure(SocketId socket, unsigned receiveTimeoutMs, unsigned sendTimeoutMs) {
  DWORD receive = receiveTimeoutMs, send = sendTimeoutMs;
  setsockopt(AsSocket(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&receive), sizeof receive);
  setsockopt(AsSocket(socket), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&send), sizeof send);
  BOOL noDelay = TRUE;
  setsockopt(AsSocket(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
}

std::string Sockets::LocalAddress(SocketId socket) {
  sockaddr_in local{};
  int length = sizeof local;
  char text[INET_ADDRSTRLEN] = "";
  if (getsockname(AsSocket(socket), reinterpret_cast<sockaddr*>(&local), &length) == 0)
    inet_ntop(AF_INET, &local.sin_addr, text, sizeof text);
  return text;
}

Sockets::ReceiveResult Sockets::Receive(SocketId socket, char* buffer, size_t length, size_t* received) {
  int got = recv(AsSocket(socket), buffer, static_cast<int>(std::min<size_t>(length, 1u << 30)), 0);
  if (got > 0) {
    *received = static_cast<size_t>(got);
    return ReceiveResult::kData;
  }
  if (got == 0) return ReceiveResult::kClosed;
  return WSAGetLastError() == WSAETIMEDOUT ? ReceiveResult::kTimedOut : ReceiveResult::kFailed;
}

bool Sockets::Send(SocketId socket, const std::string_view* parts, size_t count) {
  for (size_t first = 0; first < count; first += kMaxSendParts) {
    WSABUF buffers[kMaxSendParts];
    DWORD used = 0;
    for (size_t i = first; i < count && i < first + kMaxSendParts; ++i) {
      if (parts[i].empty()) continue;
      buffers[used].buf = const_cast<char*>(parts[i].data());
      buffers[used].len = static_cast<ULONG>(parts[i].size());
      ++used;
    }
    WSABUF* next = buffers;
    while (used > 0) {
      DWORD sent = 0;
      if (WSASend(AsSocket(socket), next, used, &sent, 0, nullptr, nullptr) != 0) return false;
      // A blocking send normally takes everything; continue after a partial one.
      while (used > 0 && sent >= next->len) {
        sent -= next->len;
        ++next;
        --used;
      }
      if (used > 0) {
        next->buf += sent;
        next->len -= sent;
      }
    }
  }
  return true;
}

Sockets::ReceiveResult Sockets::ReceiveNow(SocketId socket, char* buffer, size_t length, size_t* received) {
  // A readable socket answers a receive at once: with data, a close or an error.
  if (!WaitReadable(socket, 0)) return ReceiveResult::kTimedOut;
  return Receive(socket, buffer, length, received);
}

bool Sockets::WaitReadable(SocketId socket, unsigned timeoutMs) {
  WSAPOLLFD ready{AsSocket(socket), POLLRDNORM, 0};
  return WSAPoll(&ready, 1, static_cast<INT>(timeoutMs)) > 0;
}

int Sockets::Poll(PollEntry* entries, size_t count, unsigned timeoutMs) {
  thread_local std::vector<WSAPOLLFD> sockets;
  sockets.resize(count);
  for (size_t i = 0; i < count; ++i) sockets[i] = WSAPOLLFD{AsSocket(entries[i].socket), POLLRDNORM, 0};
  int ready = WSAPoll(sockets.data(), static_cast<ULONG>(count), static_cast<INT>(timeoutMs));
  if (ready < 0) return -1;
  for (size_t i = 0; i < count; ++i) entries[i].readable = sockets[i].revents != 0;
  return ready;
}

// Winsock has no event descriptor to poll: a datagram socket on the loopback address
// that sends itself a byte serves.
SocketId Sockets::CreateWaker(std::string* error) {
  SOCKET waker = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof local;
  u_long nonBlocking = 1;
  if (waker == INVALID_SOCKET || bind(waker, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      getsockname(waker, reinterpret_cast<sockaddr*>(&local), &length) != 0 ||
      connect(waker, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ioctlsocket(waker, FIONBIO, &nonBlocking) != 0) {
    *error = "cannot make the loop's wake-up socket (" + std::to_string(WSAGetLastError()) + ")";
    if (waker != INVALID_SOCKET) closesocket(waker);
    return kNoSocket;
  }
  return static_cast<SocketId>(waker);
}

void Sockets::Wake(SocketId waker) {
  char byte = 0;
  send(AsSocket(waker), &byte, 1, 0);
}

void Sockets::DrainWaker(SocketId waker) {
  char scratch[64];
  while (recv(AsSocket(waker), scratch, sizeof scratch, 0) > 0) {
  }
}

void Sockets::ShutdownSend(SocketId socket) { shutdown(AsSocket(socket), SD_SEND); }

void Sockets::ShutdownBoth(SocketId socket) { shutdown(AsSocket(socket), SD_BOTH); }

void Sockets::Close(SocketId socket) { closesocket(AsSocket(socket)); }
