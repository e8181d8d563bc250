#include "TestSite.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "TestClient.h"

namespace {

// How long a started program may take to report its port, and to stop.
constexpr DWORD kProgramStartMs = 60000;
constexpr DWORD kProgramStopMs = 15000;

std::string Quoted(const std::string& argument) { return "\"" + argument + "\""; }

// Waits for an overlapped operation on handle; false when it failed or timed out.
bool WaitOverlapped(HANDLE handle, OVERLAPPED* overlapped, BOOL started, DWORD timeoutMs, DWORD* bytes) {
  if (!started && GetLastError() != ERROR_IO_PENDING && GetLastError() != ERROR_PIPE_CONNECTED) return false;
  if (!started && GetLastError() == ERROR_PIPE_CONNECTED) return true;
  if (WaitForSingleObject(overlapped->hEvent, timeoutMs) != WAIT_OBJECT_0) {
    CancelIo(handle);
    return false;
  }
  return GetOverlappedResult(handle, overlapped, bytes, FALSE) != FALSE;
}

}  // namespace

TestSite::TestSite(const std::string& extensionPath, ConnectionLimits limits, unsigned recycleAfterSeconds,
                   unsigned threads) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  base_ = std::string(temp) + "isapi-host-test-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(GetTickCount64());
  root_ = base_ + "\\site";
  appRoot_ = base_ + "\\app2";
  logPath_ = base_ + "\\access.log";
  MakeDirectory(base_);
  MakeDirectory(root_);
  MakeDirectory(appRoot_);
  MakeDirectory(root_ + "\\sub");
  MakeDirectory(root_ + "\\docs");
  MakeDirectory(root_ + "\\empty");
  WriteFile(base_ + "\\secret.txt", kSecret);
  WriteFile(root_ + "\\index.html", "<p>index</p>\n");
  WriteFile(root_ + "\\page.asp", "<% ' handled by the extension %>\n");
  WriteFile(root_ + "\\upper.ASP", "upper\n");
  WriteFile(root_ + "\\global.asa", "<script runat=server></script>\n");
  WriteFile(root_ + "\\lib.inc", "included\n");
  WriteFile(root_ + "\\data.asa", "hidden\n");
  WriteFile(root_ + "\\style.css", "body{}\n");
  WriteFile(root_ + "\\data.bin", DataBin());
  WriteFile(root_ + "\\sub\\default.asp", "sub default\n");
  WriteFile(root_ + "\\sub\\index.html", "not chosen: default.asp comes first\n");
  WriteFile(root_ + "\\docs\\index.html", "<p>docs</p>\n");
  WriteFile(appRoot_ + "\\page.asp", "app2\n");

  HostOptions options;
  options.root = root_;
  options.port = 0;
  options.threads = threads;
  options.extension = ToWindowsPath(extensionPath);
  options.apps.push_back({"/app2", appRoot_});
  options.accessLog = logPath_;
  options.limits = limits;
  if (recycleAfterSeconds) options.recycleAfterMs = recycleAfterSeconds * 1000;
  if (const char* program = std::getenv("ISAPI_HOST_PROGRAM"); program && *program) {
    started_ = StartProgram(program, options);
    return;
  }
  server_ = std::make_unique<HttpServer>(options, limits);
  started_ = server_->Start(&error_);
  port_ = server_->port();
  pid_ = GetCurrentProcessId();
}

TestSite::~TestSite() {
  server_.reset();
  StopProgram();
  DeleteFileA(logPath_.c_str());
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) DeleteFileA(it->c_str());
  for (auto it = directories_.rbegin(); it != directories_.rend(); ++it) RemoveDirectoryA(it->c_str());
}

bool TestSite::StartProgram(const std::string& program, const HostOptions& options) {
  std::string pipeName = "\\\\.\\pipe\\" + base_.substr(base_.find_last_of('\\') + 1);
  control_ = CreateNamedPipeA(pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                              PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 256, 256, 0, nullptr);
  if (control_ == INVALID_HANDLE_VALUE) {
    error_ = "cannot create the control pipe";
    return false;
  }
  std::string command = Quoted(ToWindowsPath(program)) + " --root " + Quoted(options.root) + " --port 0" +
                        " --threads " + std::to_string(options.threads) + " --extension " + Quoted(options.extension) +
                        " --access-log " + Quoted(options.accessLog) + " --receive-timeout " +
                        std::to_string(options.limits.receiveTimeoutMs) + " --max-body " +
                        std::to_string(options.limits.maxBodyBytes) + " --max-connections " +
                        std::to_string(options.limits.maxConnections) + " --max-connections-per-client " +
                        std::to_string(options.limits.maxPerClient) + " --recycle-after " +
                        std::to_string(options.recycleAfterMs / 1000) + " --control-pipe " + pipeName;
  for (const Application& app : options.apps) command += " --app " + Quoted(app.url + "=" + app.root);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // A Winelib program is a Linux program to Wine: it starts, but gives no handle to wait on.
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    error_ = "cannot start " + program + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);

  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD bytes = 0;
  char text[64] = "";
  bool connected =
      WaitOverlapped(control_, &overlapped, ConnectNamedPipe(control_, &overlapped), kProgramStartMs, &bytes);
  ResetEvent(overlapped.hEvent);
  bool read =
      connected && WaitOverlapped(control_, &overlapped, ReadFile(control_, text, sizeof text - 1, &bytes, &overlapped),
                                  kProgramStartMs, &bytes);
  CloseHandle(overlapped.hEvent);
  if (read) text[bytes] = '\0';
  if (!read || std::sscanf(text, "port %u pid %u", &port_, &pid_) != 2 || port_ == 0) {
    error_ = program + " did not report its port";
    return false;
  }
  return true;
}

void TestSite::StopProgram() {
  if (control_ == INVALID_HANDLE_VALUE) return;
  // Closing our end stops the program; it is gone when its port refuses connections.
  CloseHandle(control_);
  control_ = INVALID_HANDLE_VALUE;
  if (!port_) return;
  ULONGLONG deadline = GetTickCount64() + kProgramStopMs;
  while (GetTickCount64() < deadline) {
    TestClient probe;
    if (!probe.Connect(port_)) break;
    probe.Close();
    Sleep(50);
  }
}

std::string TestSite::ReadAccessLog() const {
  std::ifstream in(logPath_, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string TestSite::DataBin() {
  std::string data(100000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return data;
}

void TestSite::WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
  files_.push_back(path);
}

void TestSite::MakeDirectory(const std::string& path) {
  CreateDirectoryA(path.c_str(), nullptr);
  directories_.push_back(path);
}
