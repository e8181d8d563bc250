#include "TestClient.h"

#include <ws2tcpip.h>

#include <cstdlib>

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace

std::string HttpResponse::Header(std::string_view name) const {
  for (const auto& [key, value] : headers)
    if (EqualsNoCase(key, name)) return value;
  return "";
}

bool HttpResponse::HasHeader(std::string_view name) const {
  for (const auto& header : headers)
    if (EqualsNoCase(header.first, name)) return true;
  return false;
}

void EnsureWinsock() {
  static bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

bool TestClient::Connect(unsigned port) {
  EnsureWinsock();
  Close();
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) return false;
  DWORD timeout = kReceiveTimeoutMs;
  setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  DWORD sendTimeout = kSendTimeoutMs;
  setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeout), sizeof sendTimeout);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
  return connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool TestClient::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    int sent = send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(sent));
  }
  return true;
}

bool TestClient::Fill() {
  char chunk[16384];
  int got = recv(socket_, chunk, sizeof chunk, 0);
  if (got <= 0) return false;
  buffer_.append(chunk, static_cast<size_t>(got));
  return true;
}

bool TestClient::ReadLine(std::string* line) {
  for (;;) {
    size_t newline = buffer_.find("\r\n");
    if (newline != std::string::npos) {
      *line = buffer_.substr(0, newline);
      buffer_.erase(0, newline + 2);
      return true;
    }
    if (!Fill()) return false;
  }
}

bool TestClient::ReadExactly(size_t count, std::string* out) {
  while (buffer_.size() < count)
    if (!Fill()) return false;
  out->append(buffer_, 0, count);
  buffer_.erase(0, count);
  return true;
}

bool TestClient::ReadResponse(HttpResponse* response, bool headRequest) {
  *response = HttpResponse();
  std::string line;
  if (!ReadLine(&line)) return false;
  response->statusLine = line;
  if (line.size() < 12 || line.compare(0, 5, "HTTP/") != 0) return false;
  response->status = std::atoi(line.c_str() + 9);
  for (;;) {
    if (!ReadLine(&line)) return false;
    if (line.empty()) break;
    size_t colon = line.find(':');
    if (colon == std::string::npos) return false;
    size_t start = line.find_first_not_of(' ', colon + 1);
    response->headers.emplace_back(line.substr(0, colon),
                                   start == std::string::npos ? std::string() : line.substr(start));
  }
  if (headRequest || response->status == 100 || response->status == 304) return true;
  if (EqualsNoCase(response->Header("Transfer-Encoding"), "chunked")) {
    response->chunked = true;
    for (;;) {
      if (!ReadLine(&line)) return false;
      size_t size = std::strtoul(line.c_str(), nullptr, 16);
      if (size == 0) {
        if (!ReadLine(&line)) return false;  // no trailers are expected
        return line.empty();
      }
      if (!ReadExactly(size, &response->body)) return false;
      if (!ReadLine(&line) || !line.empty()) return false;
    }
  }
  if (response->HasHeader("Content-Length"))
    return ReadExactly(std::strtoull(response->Header("Content-Length").c_str(), nullptr, 10), &response->body);
  response->body += buffer_;
  buffer_.clear();
  response->body += ReadUntilClose();
  return true;
}

std::string TestClient::ReadUntilClose() {
  std::string all = std::move(buffer_);
  buffer_.clear();
  while (Fill()) {
    all += buffer_;
    buffer_.clear();
  }
  return all;
}

bool TestClient::ServerClosed() {
  if (!buffer_.empty()) return false;
  char byte;
  int got = recv(socket_, &byte, 1, 0);
  if (got > 0) buffer_.push_back(byte);
  return got == 0 || (got < 0 && WSAGetLastError() != WSAETIMEDOUT);
}

void TestClient::Abort() {
  if (socket_ == INVALID_SOCKET) return;
  linger option{1, 0};
  setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&option), sizeof option);
  Close();
}

void TestClient::Close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
  buffer_.clear();
}

HttpResponse Fetch(unsigned port, const std::string& method, const std::string& target, const std::string& extraHeaders,
                   const std::string& body) {
  TestClient client;
  HttpResponse response;
  if (!client.Connect(port)) return response;
  std::string request = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + extraHeaders;
  if (!body.empty()) request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  request += "\r\n" + body;
  if (client.Send(request)) client.ReadResponse(&response, method == "HEAD");
  return response;
}
