// WorkerChannel over Linux's own calls: a Unix datagram-ordered socket (SOCK_SEQPACKET:
// each message arrives whole) that carries connection descriptors, and a memfd page
// shared by both processes. This file includes no Windows header.
#include <dlfcn.h>
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stddef.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "WorkerChannel.h"

namespace {

enum MessageKind : uint32_t { kHello = 1, kRequest, kDone, kLog };

constexpr uint32_t kKeepAlive = 1;
// Largest message: a request head, a body received ahead and one receive more.
constexpr size_t kMaxMessageBytes = 256 * 1024;
// Socket buffers sized for many messages in flight (the system may grant less).
constexpr int kChannelBufferBytes = 4 << 20;
// One slot's word, alone on its cache line.
constexpr size_t kSlotWords = 16;

void CopyText(char* to, size_t size, std::string_view text) {
  size_t n = std::min(size - 1, text.size());
  memcpy(to, text.data(), n);
  to[n] = '\0';
}

sockaddr_un AbstractAddress(const std::string& name, socklen_t* length) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  size_t n = std::min(name.size(), sizeof address.sun_path - 2);
  memcpy(address.sun_path + 1, name.data(), n);  // a leading zero: no file on disk
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
  return address;
}

void SizeBuffers(int socket) {
  setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &kChannelBufferBytes, sizeof kChannelBufferBytes);
  setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &kChannelBufferBytes, sizeof kChannelBufferBytes);
}

// The program's own start script: the shared object Wine loaded this code from, less
// its ".so".
std::string OwnProgram() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&OwnProgram), &info) || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  if (path.size() > 3 && path.compare(path.size() - 3, 3, ".so") == 0) path.resize(path.size() - 3);
  return path;
}

// Whether a process is gone (or a zombie nobody reaps).
bool ProcessGone(int pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
  FILE* stat = std::fopen(path, "r");
  if (!stat) return true;
  char state = '?';
  int scanned = std::fscanf(stat, "%*d (%*[^)]) %c", &state);
  std::fclose(stat);
  return scanned == 1 && (state == 'Z' || state == 'X');
}

// The worker's end of its channel, for CutOff.
std::atomic<int> workerEnd{-1};

uint64_t NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
}

}  // namespace

struct WorkerChannel::Header {
  uint32_t kind = 0;
  uint32_t slot = 0;
  uint32_t flags = 0;
  uint32_t peerPort = 0;
  char peer[48] = "";
  char local[48] = "";
};

bool WorkerChannel::Supported() { return true; }

WorkerChannel::~WorkerChannel() {
  if (socket_ >= 0) close(socket_);
  if (memory_ >= 0) close(memory_);
  if (states_) munmap(states_, slots_ * kSlotWords * sizeof(uint32_t));
}

bool WorkerChannel::MapShared(int memory, std::string* error) {
  void* mapped = mmap(nullptr, slots_ * kSlotWords * sizeof(uint32_t), PROT_READ | PROT_WRITE, MAP_SHARED, memory, 0);
  if (mapped == MAP_FAILED) {
    *error = "cannot map the memory shared with the server (errno " + std::to_string(errno) + ")";
    return false;
  }
  states_ = static_cast<uint32_t*>(mapped);
  return true;
}

bool WorkerChannel::Spawn(const std::vector<std::string>& args, unsigned slots, unsigned startMs,
                          const Starter& start, std::string* error) {
  if (memory_ < 0) {
    slots_ = slots;
    memory_ = memfd_create("isapi-host-slots", MFD_CLOEXEC);
    if (memory_ < 0 || ftruncate(memory_, static_cast<off_t>(slots_ * kSlotWords * sizeof(uint32_t))) != 0 ||
        !MapShared(memory_, error)) {
      *error = "cannot make memory to share with the worker (errno " + std::to_string(errno) + ")";
      return false;
    }
  }
  static unsigned spawned = 0;
  char name[64];
  std::snprintf(name, sizeof name, "isapi-host-%d-%u", getpid(), ++spawned);
  socklen_t length = 0;
  sockaddr_un address = AbstractAddress(name, &length);
  int listener = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener, 1) != 0) {
    *error = "cannot make the worker channel (errno " + std::to_string(errno) + ")";
    if (listener >= 0) close(listener);
    return false;
  }

  std::vector<std::string> workerArgs = args;
  workerArgs.push_back(kOption);
  workerArgs.push_back(name);
  if (!start(OwnProgram(), workerArgs, error)) {
    close(listener);
    return false;
  }

  // Wait for it to connect; the kernel tells who connected.
  int connection = -1;
  const uint64_t deadline = NowMs() + startMs;
  while (connection < 0) {
    pollfd ready{listener, POLLIN, 0};
    if (poll(&ready, 1, 50) > 0) connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0 && NowMs() > deadline) {
      *error = "the worker process did not start within " + std::to_string(startMs) + " ms";
      close(listener);
      return false;
    }
  }
  ucred peer{};
  socklen_t peerLength = sizeof peer;
  getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &peerLength);
  pid_ = peer.pid;
  close(listener);
  SizeBuffers(connection);
  if (socket_ >= 0) close(socket_);
  socket_ = connection;

  for (unsigned slot = 0; slot < slots_; ++slot) SetState(slot, SlotState::kRequest);
  Header hello;
  hello.kind = kHello;
  hello.slot = slots_;
  if (!Send(hello, {}, memory_, true)) {
    *error = "cannot hand the worker its shared memory (errno " + std::to_string(errno) + ")";
    Kill();
    Reap();
    return false;
  }
  return true;
}

bool WorkerChannel::Send(const Header& header, std::string_view bytes, int descriptor, bool wait) {
  iovec parts[2] = {{const_cast<Header*>(&header), sizeof header},
                    {const_cast<char*>(bytes.data()), bytes.size()}};
  msghdr message{};
  message.msg_iov = parts;
  message.msg_iovlen = bytes.empty() ? 1 : 2;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
  if (descriptor >= 0) {
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* passed = CMSG_FIRSTHDR(&message);
    passed->cmsg_level = SOL_SOCKET;
    passed->cmsg_type = SCM_RIGHTS;
    passed->cmsg_len = CMSG_LEN(sizeof(int));
    memcpy(CMSG_DATA(passed), &descriptor, sizeof(int));
  }
  for (;;) {
    ssize_t sent = sendmsg(socket_, &message, MSG_NOSIGNAL | (wait ? 0 : MSG_DONTWAIT));
    if (sent >= 0) return true;
    if (errno != EINTR) return false;
  }
}

bool WorkerChannel::SendRequest(unsigned slot, SocketId socket, const SocketEndpoint& peer, std::string_view local,
                                std::string_view bytes) {
  if (socket_ < 0 || bytes.size() > kMaxMessageBytes - sizeof(Header)) return false;
  Header header;
  header.kind = kRequest;
  header.slot = slot;
  header.peerPort = peer.port;
  CopyText(header.peer, sizeof header.peer, peer.address);
  CopyText(header.local, sizeof header.local, local);
  return Send(header, bytes, static_cast<int>(socket), false);
}

WorkerChannel::Message WorkerChannel::Receive(unsigned timeoutMs) {
  Message result;
  if (socket_ < 0) {
    result.kind = Kind::kEnded;
    return result;
  }
  pollfd ready{socket_, POLLIN, 0};
  if (poll(&ready, 1, static_cast<int>(timeoutMs)) <= 0) return result;
  scratch_.resize(kMaxMessageBytes);
  ssize_t got = recv(socket_, scratch_.data(), scratch_.size(), MSG_DONTWAIT);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return result;
  if (got < static_cast<ssize_t>(sizeof(Header))) {
    // Closed (the worker is gone), failed, or a message no worker of ours sends.
    close(socket_);
    socket_ = -1;
    result.kind = Kind::kEnded;
    return result;
  }
  Header header;
  memcpy(&header, scratch_.data(), sizeof header);
  result.slot = header.slot;
  result.keepAlive = (header.flags & kKeepAlive) != 0;
  result.bytes.assign(scratch_.data() + sizeof header, static_cast<size_t>(got) - sizeof header);
  result.kind = header.kind == kDone ? Kind::kDone : header.kind == kLog ? Kind::kLog : Kind::kNone;
  if (result.kind == Kind::kDone && result.slot >= slots_) result.kind = Kind::kNone;
  return result;
}

WorkerChannel::SlotState WorkerChannel::State(unsigned slot) const {
  if (slot >= slots_) return SlotState::kResponse;
  return static_cast<SlotState>(__atomic_load_n(&states_[slot * kSlotWords], __ATOMIC_ACQUIRE));
}

void WorkerChannel::SetState(unsigned slot, SlotState state) {
  if (slot < slots_) __atomic_store_n(&states_[slot * kSlotWords], static_cast<uint32_t>(state), __ATOMIC_RELEASE);
}

void WorkerChannel::Kill() {
  if (pid_ > 0) kill(pid_, SIGKILL);
}

void WorkerChannel::Reap() {
  constexpr uint64_t kReapWaitMs = 5000;
  const uint64_t deadline = NowMs() + kReapWaitMs;
  while (pid_ > 0 && !ProcessGone(pid_) && NowMs() < deadline) {
    timespec pause{0, 5 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  pid_ = -1;
}

bool WorkerChannel::Connect(const std::string& name, std::string* error) {
  socklen_t length = 0;
  sockaddr_un address = AbstractAddress(name, &length);
  socket_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (socket_ < 0 || connect(socket_, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    *error = "cannot reach the server through " + name + " (errno " + std::to_string(errno) + ")";
    return false;
  }
  SizeBuffers(socket_);
  workerEnd = socket_;
  Request hello;
  if (!ReceiveRequest(&hello) || hello.socket == kNoSocket) {
    *error = "the server sent no shared memory";
    return false;
  }
  slots_ = hello.slot;
  bool mapped = MapShared(static_cast<int>(hello.socket), error);
  close(static_cast<int>(hello.socket));
  return mapped;
}

bool WorkerChannel::ReceiveRequest(Request* request) {
  scratch_.resize(kMaxMessageBytes);
  for (;;) {
    iovec part{scratch_.data(), scratch_.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t got = recvmsg(socket_, &message, MSG_CMSG_CLOEXEC);
    if (got < 0 && errno == EINTR) continue;
    if (got < static_cast<ssize_t>(sizeof(Header))) return false;  // the server is gone
    int descriptor = -1;
    for (cmsghdr* item = CMSG_FIRSTHDR(&message); item; item = CMSG_NXTHDR(&message, item))
      if (item->cmsg_level == SOL_SOCKET && item->cmsg_type == SCM_RIGHTS) memcpy(&descriptor, CMSG_DATA(item), sizeof(int));
    Header header;
    memcpy(&header, scratch_.data(), sizeof header);
    if (header.kind == kHello && descriptor >= 0) {
      request->slot = header.slot;
      request->socket = descriptor;
      return true;
    }
    if (header.kind != kRequest || descriptor < 0 || header.slot >= slots_) {
      if (descriptor >= 0) close(descriptor);
      continue;
    }
    request->slot = header.slot;
    request->socket = descriptor;
    header.peer[sizeof header.peer - 1] = header.local[sizeof header.local - 1] = '\0';
    request->peer.address = header.peer;
    request->peer.port = header.peerPort;
    request->local = header.local;
    request->bytes.assign(scratch_.data() + sizeof header, static_cast<size_t>(got) - sizeof header);
    return true;
  }
}

void WorkerChannel::SendDone(unsigned slot, bool keepAlive, std::string_view unread) {
  Header header;
  header.kind = kDone;
  header.slot = slot;
  header.flags = keepAlive ? kKeepAlive : 0;
  // Unread bytes that do not fit close the connection rather than be lost.
  if (unread.size() > kMaxMessageBytes - sizeof(Header)) {
    header.flags = 0;
    unread = {};
  }
  Send(header, unread, -1, true);
}

void WorkerChannel::CutOff() {
  int socket = workerEnd.load();
  if (socket >= 0) shutdown(socket, SHUT_RDWR);
}

void WorkerChannel::SendLog(std::string_view line) {
  Header header;
  header.kind = kLog;
  Send(header, line.substr(0, kMaxMessageBytes - sizeof(Header)), -1, true);
}
