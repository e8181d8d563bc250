// WorkerChannel: the link between the server process, which owns the listening socket
// and the connections, and the worker process that runs the extension. The server
// passes each connection whose request is complete (the socket itself, with the bytes
// already received) to the worker; the worker answers on that socket and passes back
// the connection's state, and its access log lines. A page of shared memory holds, per
// request slot, how far the worker is (SlotState), so that when the worker dies the
// server knows which clients can still be told so (502) and which connections are idle
// and can be kept, without a message per request.
//
// Linux's own calls make this (a Unix socket passing descriptors, memfd): it exists in
// the Winelib program only, where a socket is a Linux descriptor. Supported() says
// whether this build has it. Like Sockets.h, this header includes no platform header.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Sockets.h"

class WorkerChannel {
 public:
  static bool Supported();

  WorkerChannel() = default;
  ~WorkerChannel();
  WorkerChannel(const WorkerChannel&) = delete;
  WorkerChannel& operator=(const WorkerChannel&) = delete;

  // --- the server's end
  // Starts a worker through start (this program, as a Unix path, with args plus the
  // option naming the channel) and waits up to startMs for it to connect. slots:
  // requests at most in flight at once. The system's own process creation must start
  // it: a Wine process forked behind the wineserver's back upsets the server's view of
  // the processes around it.
  using Starter = std::function<bool(const std::string& program, const std::vector<std::string>& args,
                                     std::string* error)>;
  bool Spawn(const std::vector<std::string>& args, unsigned slots, unsigned startMs, const Starter& start,
             std::string* error);
  int pid() const { return pid_; }
  // Passes a connection for slot without waiting; false when the channel is full or gone.
  bool SendRequest(unsigned slot, SocketId socket, const SocketEndpoint& peer, std::string_view local,
                   std::string_view bytes);
  enum class Kind { kNone, kDone, kLog, kEnded };
  struct Message {
    Kind kind = Kind::kNone;
    unsigned slot = 0;
    bool keepAlive = false;
    std::string bytes;  // kDone: the connection's unread bytes; kLog: one line
  };
  // Waits up to timeoutMs for the worker's next message; kEnded once it is gone.
  Message Receive(unsigned timeoutMs);
  // Where the worker is with a slot's connection: a request whose response has not
  // begun, a response begun, or idle between requests with nothing of the next one read.
  enum class SlotState : uint32_t { kRequest = 0, kResponse = 1, kIdle = 2 };
  SlotState State(unsigned slot) const;
  void SetState(unsigned slot, SlotState state);
  // Ends the worker at once (it hangs); Receive then answers kEnded.
  void Kill();
  // Waits (a moment at most) until the ended worker is gone.
  void Reap();

  // --- the worker's end
  bool Connect(const std::string& name, std::string* error);
  struct Request {
    unsigned slot = 0;
    SocketId socket = kNoSocket;
    SocketEndpoint peer;
    std::string local;
    std::string bytes;
  };
  // Waits for the next connection; false when the server's end is gone.
  bool ReceiveRequest(Request* request);
  void SendDone(unsigned slot, bool keepAlive, std::string_view unread);
  void SendLog(std::string_view line);
  // Cuts this process's link to the server at once (a fault is ending the process): the
  // server stops handing it requests and answers those in flight itself. Safe to call
  // from an exception handler.
  static void CutOff();

  // The option that makes a program a worker, followed by the channel's name.
  static constexpr const char* kOption = "--worker-channel";

 private:
  struct Header;
  bool Send(const Header& header, std::string_view bytes, int descriptor, bool wait);
  bool MapShared(int memory, std::string* error);
  int socket_ = -1;
  int pid_ = -1;
  int memory_ = -1;  // the server's: the shared page, handed to each new worker
  uint32_t* states_ = nullptr;  // shared: one word per slot
  unsigned slots_ = 0;
  std::vector<char> scratch_;
};
