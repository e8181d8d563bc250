// bench_responder.exe PORT: the bare Winsock responder. Answers every request on a
// keep-alive connection with the same fixed 5 KB response, one recv and one send per
// request and one thread per connection: the ceiling Wine's socket layer sets for any
// server of ours.
#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string response;

DWORD WINAPI Serve(void* argument) {
  SOCKET client = reinterpret_cast<SOCKET>(argument);
  BOOL noDelay = TRUE;
  setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
  char buffer[16384];
  std::string pending;
  for (;;) {
    int got = recv(client, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    pending.append(buffer, static_cast<size_t>(got));
    size_t end;
    int requests = 0;
    while ((end = pending.find("\r\n\r\n")) != std::string::npos) {
      pending.erase(0, end + 4);
      ++requests;
    }
    bool ok = true;
    for (int i = 0; i < requests && ok; ++i)
      ok = send(client, response.data(), static_cast<int>(response.size()), 0) == static_cast<int>(response.size());
    if (!ok) break;
  }
  closesocket(client);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_responder PORT\n");
    return 2;
  }
  std::string body(5120, 'x');
  response = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5120\r\n\r\n" + body;
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(std::atoi(argv[1])));
  inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, SOMAXCONN) != 0) {
    std::fprintf(stderr, "bench_responder: cannot listen on port %s\n", argv[1]);
    return 1;
  }
  for (;;) {
    SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    HANDLE thread = CreateThread(nullptr, 64 * 1024, Serve, reinterpret_cast<void*>(client), 0, nullptr);
    if (thread)
      CloseHandle(thread);
    else
      closesocket(client);
  }
}
