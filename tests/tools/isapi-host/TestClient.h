// TestClient: a blocking HTTP/1.1 client over Winsock for driving the host: raw bytes
// out, responses parsed by their framing (Content-Length, chunked, or until close).
#pragma once

#include <winsock2.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HttpResponse {
  int status = 0;
  std::string statusLine;  // "HTTP/1.1 200 OK"
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  bool chunked = false;

  // The value of header name (any case), or "" when absent.
  std::string Header(std::string_view name) const;
  bool HasHeader(std::string_view name) const;
};

class TestClient {
 public:
  // Every receive and every send gives up after this long, so a test fails instead of
  // hanging (a send blocks while the server reads nothing and the buffers are full).
  static constexpr DWORD kReceiveTimeoutMs = 20000;
  static constexpr DWORD kSendTimeoutMs = 20000;

  TestClient() = default;
  ~TestClient() { Close(); }
  TestClient(const TestClient&) = delete;
  TestClient& operator=(const TestClient&) = delete;

  bool Connect(unsigned port);
  bool Send(std::string_view bytes);
  // Reads one response; a response to HEAD has no body whatever its head says.
  bool ReadResponse(HttpResponse* response, bool headRequest = false);
  // Everything until the server closes the connection (or the time-out).
  std::string ReadUntilClose();
  // True when the server has closed the connection (reads 0, or a reset).
  bool ServerClosed();
  // Closes with a reset instead of an orderly shutdown.
  void Abort();
  void Close();

 private:
  bool Fill();
  bool ReadLine(std::string* line);
  bool ReadExactly(size_t count, std::string* out);

  SOCKET socket_ = INVALID_SOCKET;
  std::string buffer_;
};

// Winsock for the test program.
void EnsureWinsock();

// One request on a fresh connection ("Connection: close" is added), one response.
HttpResponse Fetch(unsigned port, const std::string& method, const std::string& target,
                   const std::string& extraHeaders = "", const std::string& body = "");
