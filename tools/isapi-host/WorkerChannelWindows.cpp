// The Windows program has no worker channel: its sockets are Winsock handles, which
// this model cannot pass between processes, so it runs the extension in its own process
// (HttpServer falls back to that where Supported() is false). Every call fails.
#include "WorkerChannel.h"

bool WorkerChannel::Supported() { return false; }

WorkerChannel::~WorkerChannel() = default;

bool WorkerChannel::Spawn(const std::vector<std::string>&, unsigned, unsigned, const Starter&, std::string* error) {
  *error = "this build runs extensions in its own process";
  return false;
}

bool WorkerChannel::SendRequest(unsigned, SocketId, const SocketEndpoint&, std::string_view, std::string_view) {
  return false;
}

WorkerChannel::Message WorkerChannel::Receive(unsigned) {
  Message ended;
  ended.kind = Kind::kEnded;
  return ended;
}

WorkerChannel::SlotState WorkerChannel::State(unsigned) const { return SlotState::kResponse; }
void WorkerChannel::SetState(unsigned, SlotState) {}
void WorkerChannel::Kill() {}
void WorkerChannel::Reap() {}

bool WorkerChannel::Connect(const std::string&, std::string* error) {
  *error = "this build cannot run as a worker process";
  return false;
}

bool WorkerChannel::ReceiveRequest(Request*) { return false; }
void WorkerChannel::SendDone(unsigned, bool, std::string_view) {}
void WorkerChannel::SendLog(std::string_view) {}
void WorkerChannel::CutOff() {}
