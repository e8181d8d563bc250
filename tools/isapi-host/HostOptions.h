// HostOptions: the command line of isapi-host.exe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UrlMapping.h"

constexpr unsigned kDefaultPort = 8080;
constexpr unsigned kDefaultThreads = 64;
constexpr unsigned kMaxThreads = 1024;
constexpr unsigned kMaxReceiveTimeoutMs = 3600000;
constexpr unsigned kMaxCodePage = 65535;
constexpr unsigned kMaxRecycleAfterSeconds = 86400;
constexpr unsigned kMaxConnectionsLimit = 100000;

// Time limits and sizes of one connection.
struct ConnectionLimits {
  unsigned receiveTimeoutMs = 15000;  // one recv: an idle keep-alive connection or a stalled client
  unsigned sendTimeoutMs = 30000;
  unsigned headDeadlineMs = 30000;  // the whole head of one request
  uint64_t maxBodyBytes = 32ull << 20;
  uint64_t maxDrainBytes = 1 << 20;  // unread body skipped to keep a connection
  unsigned maxConnections = 2000;    // open at once, idle ones included (503 beyond)
  unsigned maxPerClient = 500;       // from one client address (503 beyond)
};

struct HostOptions {
  std::string root;              // physical root of "/"
  unsigned port = kDefaultPort;  // 0: any free port
  std::string bind = "127.0.0.1";
  unsigned threads = kDefaultThreads;
  std::string extension;          // path of the ISAPI extension DLL; empty: none
  std::vector<Application> apps;  // further applications from --app
  std::string accessLog;          // empty: standard output
  // Told to the extension as server variables (see ServerVariables.h); 0: not given,
  // the extension keeps its own default.
  uint64_t responseBufferLimit = 0;
  bool debugErrors = false;  // error reports may show physical paths
  ConnectionLimits limits;   // --receive-timeout, --max-body
  // A named pipe to connect to at start: the server writes "port N pid P\n" to it once it
  // listens, and stops when the pipe closes or a line arrives (for a parent process
  // that starts and stops it).
  std::string controlPipe;
  unsigned codePage = 0;  // pages naming no code page use it; 0: the extension's own default
  // Where the build can, the extension runs in a worker process that the server
  // watches and replaces; --in-process keeps it in the server's own process.
  bool inProcess = false;
  // A request still running in the worker process after this is taken as hung: the
  // worker is ended and replaced (the script time-out, 90 s by default, plus a grace).
  unsigned recycleAfterMs = 120000;
  std::string workerChannel;             // set in a worker process: its link to the server
  std::vector<std::string> commandLine;  // the arguments, handed on to a worker process
  bool help = false;
};

extern const char kUsage[];

// Parses the arguments after the program name. On failure answers false with a
// one-line message in *error. Options not given keep the values *options has.
bool ParseHostOptions(const std::vector<std::string>& args, HostOptions* options, std::string* error);

// A path as Windows sees it: "/x/y" (a Unix path) becomes "Z:\x\y", "/" otherwise "\".
std::string ToWindowsPath(std::string path);
