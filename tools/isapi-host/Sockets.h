// Sockets: the network calls of the server, behind one interface with two
// implementations. SocketsWinsock.cpp uses Winsock and is built into the Windows program;
// SocketsLinux.cpp uses Linux's own sockets and is built into the Winelib program, where
// a socket call costs no round trip to the wineserver. Everything else in the server is
// the same code in both programs.
//
// This header includes no platform header: Windows' and Linux's socket headers cannot
// meet in one translation unit, so SocketsLinux.cpp includes Linux's headers only.
//
// The calls, for whoever builds on them:
// - A socket is a plain integer (a Winsock SOCKET or a Linux descriptor), kNoSocket when
//   there is none. Every function may be called from any thread.
// - A connection socket blocks; Configure gives it its receive and send time-outs. A
//   receive that waited its whole time-out answers kTimedOut and the connection stays
//   usable for a last answer. Send gathers its parts into one call where it can and
//   continues after partial sends until all is sent or the connection fails.
// - The listener never blocks: Accept waits for a connection at most timeoutMs, so a
//   caller can look at a stop flag between waits.
// - ShutdownBoth from another thread wakes a thread blocked in Receive on that socket.
// - Poll waits on many sockets at once for the connection loop; a waker is a socket that
//   Wake makes readable from any thread, so the loop can be told of new work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using SocketId = intptr_t;

// The message for a listening port another program holds, the same from both builds.
inline std::string PortInUseText(const std::string& address, unsigned port) {
  return "port " + std::to_string(port) + " on " + address +
         " is in use by another program: stop it, or choose another port with --port";
}
constexpr SocketId kNoSocket = -1;

// An IPv4 address as text ("127.0.0.1") and a port.
struct SocketEndpoint {
  std::string address;
  unsigned port = 0;
};

class Sockets {
 public:
  // Prepares the socket layer for the process; false with a message when it cannot.
  static bool Startup(std::string* error);
  static void Cleanup();

  // A non-blocking listening socket on address:port (port 0: any free one); its port in
  // *boundPort. kNoSocket with a message on failure.
  static SocketId Listen(const std::string& address, unsigned port, unsigned* boundPort, std::string* error);
  // The next connection, waiting at most timeoutMs: kNoSocket when none came (or, after a
  // short pause so that callers do not spin, when the system is out of resources).
  static SocketId Accept(SocketId listener, unsigned timeoutMs, SocketEndpoint* peer);

  // A connection blocks, with these time-outs, and sends small segments at once.
  static void Configure(SocketId socket, unsigned receiveTimeoutMs, unsigned sendTimeoutMs);
  // The local address of a connection ("" when unknown).
  static std::string LocalAddress(SocketId socket);

  enum class ReceiveResult { kData, kClosed, kTimedOut, kFailed };
  // Receives up to length bytes; *received is set for kData.
  static ReceiveResult Receive(SocketId socket, char* buffer, size_t length, size_t* received);
  // Sends the parts in order (empty ones skipped), up to kMaxSendParts in one call;
  // false when the connection failed.
  static constexpr size_t kMaxSendParts = 4;
  static bool Send(SocketId socket, const std::string_view* parts, size_t count);

  // Receives what is there without waiting: kTimedOut when nothing is.
  static ReceiveResult ReceiveNow(SocketId socket, char* buffer, size_t length, size_t* received);
  // Waits at most timeoutMs for the socket to become readable (data, close or error).
  static bool WaitReadable(SocketId socket, unsigned timeoutMs);

  struct PollEntry {
    SocketId socket = kNoSocket;
    bool readable = false;  // out: data, a connection to accept, a close or an error
  };
  // Waits at most timeoutMs until one of the sockets is readable; the number readable,
  // 0 after the time-out, -1 when the call failed.
  static int Poll(PollEntry* entries, size_t count, unsigned timeoutMs);

  // A socket Poll can wait on, made readable by Wake; Drain takes the wake-ups.
  static SocketId CreateWaker(std::string* error);
  static void Wake(SocketId waker);
  static void DrainWaker(SocketId waker);

  static void ShutdownSend(SocketId socket);
  static void ShutdownBoth(SocketId socket);
  static void Close(SocketId socket);
};
