#include "ResponseSink.h"

#include <windows.h>

#include <cstdio>

#include "HttpDate.h"

std::string_view CurrentHttpDate() {
  thread_local ULONGLONG second = 0;
  thread_local std::string text;
  ULONGLONG now = GetTickCount64() / 1000;
  if (text.empty() || now != second) {
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    text = FormatHttpDate(utc);
    second = now;
  }
  return text;
}

ResponseSink::ResponseSink(SocketStream& stream, bool headRequest, bool keepAlive, bool http11)
    : stream_(stream), headRequest_(headRequest), keepAlive_(keepAlive), http11_(http11) {}

bool ResponseSink::SendComplete(std::string_view status, int statusCode, std::string_view fields,
                                std::string_view body) {
  committed_ = headSet_ = finished_ = true;
  statusCode_ = statusCode;
  std::string all(fields);
  char length[48];
  std::snprintf(length, sizeof length, "Content-Length: %llu\r\n", static_cast<unsigned long long>(body.size()));
  all += length;
  if (!keepAlive()) all += "Connection: close\r\n";
  std::string head = BuildResponseHead(status, CurrentHttpDate(), all);
  if (headRequest_) return stream_.Send(head);
  bodyBytes_ = body.size();
  return stream_.Send(head, body);
}

bool ResponseSink::SendError(int status, bool close, std::string_view extraFields) {
  if (close) close_ = true;
  char statusText[64];
  std::snprintf(statusText, sizeof statusText, "%d %s", status, ReasonPhrase(status));
  std::string body = "<html><head><title>";
  body += statusText;
  body += "</title></head><body><h1>";
  body += statusText;
  body += "</h1></body></html>\n";
  std::string fields = "Content-Type: text/html\r\n";
  fields += extraFields;
  return SendComplete(statusText, status, fields, body);
}

bool ResponseSink::SetExtensionHead(ExtensionHead head) {
  if (headSet_) return false;
  headSet_ = true;
  head_ = std::move(head);
  statusCode_ = head_.statusCode;
  if (head_.connectionClose) close_ = true;
  std::string start = std::move(head_.bodyStart);
  return start.empty() || Write(start);
}

bool ResponseSink::Write(std::string_view data) {
  if (finished_) return false;
  if (!headSet_) {
    // The server's default head for an extension that wrote without one.
    headSet_ = true;
    head_.fields = "Content-Type: text/html\r\n";
  }
  if (headRequest_) {
    headBodyCount_ += data.size();
    return !stream_.failed();
  }
  if (!committed_ && pending_.size() + data.size() < kResponseBufferBytes) {
    pending_.append(data);
    return true;
  }
  if (!committed_) {
    pending_.append(data);
    return Commit(false);
  }
  if (pending_.size() + data.size() < kResponseBufferBytes) {
    pending_.append(data);
    return true;
  }
  if (pending_.empty()) return SendBody(data, false);
  pending_.append(data);
  std::string out = std::move(pending_);
  pending_.clear();
  return SendBody(out, false);
}

bool ResponseSink::Finish() {
  if (finished_) return !stream_.failed();
  if (!headSet_) {
    headSet_ = true;
    head_.fields = "Content-Type: text/html\r\n";
  }
  bool ok = committed_ ? SendBody(pending_, true) : Commit(true);
  pending_.clear();
  finished_ = true;
  if (framing_ == Framing::kLength && head_.hasContentLength && !headRequest_ && bodyBytes_ != head_.contentLength)
    close_ = true;  // the body did not match its length: the client cannot find the next response
  return ok;
}

bool ResponseSink::Commit(bool final) {
  committed_ = true;
  statusCode_ = head_.statusCode;
  std::string fields = head_.fields;
  char length[48];
  if (head_.hasTransferEncoding) {
    framing_ = Framing::kExtension;
    close_ = true;
  } else if (head_.hasContentLength) {
    framing_ = Framing::kLength;
  } else if (final) {
    framing_ = Framing::kLength;
    uint64_t size = headRequest_ ? headBodyCount_ : pending_.size();
    std::snprintf(length, sizeof length, "Content-Length: %llu\r\n", static_cast<unsigned long long>(size));
    fields += length;
  } else if (http11_ && keepAlive()) {
    framing_ = Framing::kChunked;
    fields += "Transfer-Encoding: chunked\r\n";
  } else {
    framing_ = Framing::kUntilClose;
    close_ = true;
  }
  if (!keepAlive()) fields += "Connection: close\r\n";
  std::string head = BuildResponseHead(head_.status, CurrentHttpDate(), fields);
  if (headRequest_) return stream_.Send(head);
  std::string body = std::move(pending_);
  pending_.clear();
  if (framing_ != Framing::kChunked) {
    bodyBytes_ += body.size();
    return stream_.Send(head, body);
  }
  // Head and first chunk in one send.
  char size[24];
  std::snprintf(size, sizeof size, "%llx\r\n", static_cast<unsigned long long>(body.size()));
  bodyBytes_ += body.size();
  return stream_.Send(head + size, body, final ? "\r\n0\r\n\r\n" : "\r\n");
}

bool ResponseSink::SendBody(std::string_view data, bool final) {
  if (headRequest_) return !stream_.failed();
  bodyBytes_ += data.size();
  if (framing_ != Framing::kChunked) return data.empty() || stream_.Send(data);
  if (data.empty()) return !final || stream_.Send("0\r\n\r\n");
  char size[24];
  std::snprintf(size, sizeof size, "%llx\r\n", static_cast<unsigned long long>(data.size()));
  return stream_.Send(size, data, final ? "\r\n0\r\n\r\n" : "\r\n");
}
