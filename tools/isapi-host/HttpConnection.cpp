#include "HttpConnection.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "AccessLog.h"
#include "ChunkedDecoder.h"
#include "ExtensionCall.h"
#include "HttpServer.h"
#include "ResponseSink.h"
#include "UrlMapping.h"

namespace {

bool GetAttributes(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA* attributes) {
  return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, attributes) != FALSE;
}

bool IsDirectory(const WIN32_FILE_ATTRIBUTE_DATA& attributes) {
  return (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

double MillisecondsSince(const LARGE_INTEGER& start) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / frequency;
}

std::string_view FileName(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

HttpConnection::HttpConnection(HttpServer& server, WorkerPool::Job& job)
    : server_(server),
      job_(job),
      stream_(job.connection.socket, std::move(job.connection.buffered)),
      peerAddress_(job.connection.peer.address),
      peerPort_(job.connection.peer.port),
      localAddress_(job.connection.local) {}

bool HttpConnection::Serve() {
  for (bool first = true;; first = false) {
    HttpRequestHead head;
    HeadParseResult parsed = NextHead(&head, !first);
    if (parsed.state == HeadParse::kIncomplete) {
      // Not there yet: the loop waits for it without holding this worker. A client that
      // reset the connection meanwhile has no request in flight to be answered.
      if (stream_.failed()) server_.NoteIdle(job_.slot, true);
      job_.connection.buffered = stream_.TakePending();
      return !stream_.failed() && !server_.stopping();
    }
    if (parsed.state == HeadParse::kError) {
      server_.BeginResponse(job_.slot, stream_);
      ConnectionLoop::AnswerError(stream_, parsed.errorStatus, peerAddress_, server_.log());
      return false;
    }
    server_.BeginResponse(job_.slot, stream_);
    Next next;
    try {
      next = Handle(head, parsed.headLength);
    } catch (const std::bad_alloc&) {
      next = Next::kClose;  // this connection ends; the server goes on
    }
    if (next == Next::kClose || server_.stopping()) return false;
  }
}

HeadParseResult HttpConnection::NextHead(HttpRequestHead* head, bool mayWait) {
  HeadParseResult parsed;
  if (!stream_.Pending().empty()) parsed = ParseRequestHead(stream_.Pending(), head);
  if (parsed.state != HeadParse::kIncomplete || !mayWait) return parsed;
  // Nothing of the next request read yet: should this process end now, the server keeps
  // the connection. Once bytes are read, they are a request in flight.
  const bool idle = stream_.Pending().empty();
  if (idle) server_.NoteIdle(job_.slot, true);
  bool more = Sockets::WaitReadable(stream_.socket(), kNextRequestWaitMs);
  if (idle && more) server_.NoteIdle(job_.slot, false);
  if (!more || !stream_.ReceiveMore()) return parsed;
  return ParseRequestHead(stream_.Pending(), head);
}

int HttpConnection::PrepareBody(const HttpRequestHead& head, bool preload, RequestBody* body) {
  BodyFraming framing = DetermineBodyFraming(head);
  if (framing.errorStatus) return framing.errorStatus;
  if (framing.kind == BodyFraming::kNone) return 0;
  const ConnectionLimits& limits = server_.limits();
  if (framing.kind == BodyFraming::kLength && framing.length > limits.maxBodyBytes) return 413;

  if (const std::string* expect = head.Find("Expect")) {
    bool continueOnly = head.HasToken("Expect", "100-continue");
    if (!continueOnly) return 417;
    (void)expect;
    bool allHere = framing.kind == BodyFraming::kLength && stream_.Pending().size() >= framing.length;
    if (head.minorVersion >= 1 && !allHere && !stream_.Send("HTTP/1.1 100 Continue\r\n\r\n")) return -1;
  }

  if (framing.kind == BodyFraming::kChunked) {
    ChunkedDecoder decoder;
    for (;;) {
      size_t consumed = 0;
      ChunkedDecoder::State state = decoder.Feed(stream_.Pending(), &body->decoded, &consumed);
      stream_.Consume(consumed);
      if (state == ChunkedDecoder::State::kError) return 400;
      if (body->decoded.size() > limits.maxBodyBytes) return 413;
      if (state == ChunkedDecoder::State::kDone) break;
      if (!stream_.ReceiveMore()) return -1;
    }
    body->memory = body->decoded;
    body->total = body->decoded.size();
    return 0;
  }

  body->total = framing.length;
  uint64_t wanted = preload ? std::min<uint64_t>(framing.length, kPreloadBytes) : 0;
  while (stream_.Pending().size() < wanted)
    if (!stream_.ReceiveMore()) return -1;
  body->memory =
      stream_.Pending().substr(0, static_cast<size_t>(std::min<uint64_t>(stream_.Pending().size(), framing.length)));
  body->onSocket = framing.length - body->memory.size();
  return 0;
}

int HttpConnection::ReadBody(RequestBody& body, char* buffer, int length) {
  if (length <= 0) return 0;
  if (body.memoryRead < body.memory.size()) {
    size_t take = std::min(body.memory.size() - body.memoryRead, static_cast<size_t>(length));
    std::memcpy(buffer, body.memory.data() + body.memoryRead, take);
    body.memoryRead += take;
    return static_cast<int>(take);
  }
  if (body.onSocket == 0) return 0;
  int want = static_cast<int>(std::min<uint64_t>(body.onSocket, static_cast<uint64_t>(length)));
  int got = stream_.ReceiveDirect(buffer, want);
  if (got <= 0) return -1;  // the client went away before its body was complete
  body.onSocket -= static_cast<uint64_t>(got);
  return got;
}

bool HttpConnection::FinishBody(RequestBody& body) {
  if (body.decoded.empty()) stream_.Consume(body.memory.size());
  body.memory = {};
  body.memoryRead = 0;
  if (body.onSocket > server_.limits().maxDrainBytes) return false;
  char scratch[8192];
  while (body.onSocket > 0) {
    int want = static_cast<int>(std::min<uint64_t>(body.onSocket, sizeof scratch));
    int got = stream_.ReceiveDirect(scratch, want);
    if (got <= 0) return false;
    body.onSocket -= static_cast<uint64_t>(got);
  }
  return true;
}

HttpConnection::Next HttpConnection::Handle(const HttpRequestHead& head, size_t headLength) {
  LARGE_INTEGER startTick;
  QueryPerformanceCounter(&startTick);
  AccessLogEntry entry;
  GetSystemTime(&entry.time);
  std::string requestLine = head.method + " " + head.target + (head.minorVersion ? " HTTP/1.1" : " HTTP/1.0");
  entry.client = peerAddress_;
  entry.requestLine = requestLine;
  stream_.Consume(headLength);

  bool headRequest = head.method == "HEAD";
  bool keepAlive = WantsKeepAlive(head) && !server_.stopping();
  ResponseSink sink(stream_, headRequest, keepAlive, head.minorVersion >= 1);
  std::string extensionLog;
  RequestBody body;

  auto finish = [&]() {
    bool bodyOk = !sink.keepAlive() || FinishBody(body);
    entry.status = sink.status();
    entry.bytes = sink.bodyBytes();
    entry.durationMs = MillisecondsSince(startTick);
    entry.extensionText = extensionLog;
    server_.log().Write(entry);
    return sink.keepAlive() && bodyOk ? Next::kContinue : Next::kClose;
  };

  MappedUrl url = MapUrl(head.target, server_.apps());
  bool toExtension = false;
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  int status = url.status;
  if (status == 0) {
    if (!GetAttributes(url.physical, &attributes)) {
      status = 404;
    } else if (IsDirectory(attributes)) {
      if (url.path.back() != '/') {
        std::string location = "Location: " + url.path + "/" + (url.query.empty() ? "" : "?" + url.query) + "\r\n";
        int prepared = PrepareBody(head, false, &body);
        if (prepared) {
          if (prepared > 0) sink.SendError(prepared, true);
          return Next::kClose;
        }
        sink.SendError(301, false, location);
        return finish();
      }
      std::string document = FindDefaultDocument(url.physical, [](const std::string& candidate) {
        WIN32_FILE_ATTRIBUTE_DATA found;
        return GetAttributes(candidate, &found) && !IsDirectory(found);
      });
      if (document.empty() || !GetAttributes(WithTrailingBackslash(url.physical) + document, &attributes)) {
        status = 404;
      } else {
        url.physical = WithTrailingBackslash(url.physical) + document;
        url.path += document;
      }
    }
  }
  if (status == 0) {
    switch (ClassifyFile(FileName(url.path))) {
      case FileHandling::kHidden: status = 404; break;
      case FileHandling::kExtension:
        toExtension = true;
        if (!server_.extension().loaded()) status = 404;
        break;
      case FileHandling::kStatic:
        if (head.method != "GET" && !headRequest) status = 405;
        break;
    }
  }

  int prepared = PrepareBody(head, toExtension && status == 0, &body);
  if (prepared != 0) {
    if (prepared > 0) sink.SendError(prepared, true);
    entry.status = prepared > 0 ? prepared : 0;
    entry.durationMs = MillisecondsSince(startTick);
    server_.log().Write(entry);
    return Next::kClose;
  }
  if (status != 0) {
    sink.SendError(status, status == 400, status == 405 ? "Allow: GET, HEAD\r\n" : "");
    return finish();
  }
  if (!toExtension) {
    ServeStatic(head, url, attributes, sink);
    return finish();
  }

  RequestFacts facts;
  facts.head = &head;
  facts.urlPath = url.path;
  facts.query = url.query;
  facts.pathTranslated = url.physical;
  facts.applRoot = WithTrailingBackslash(url.app->root);
  facts.remoteAddr = peerAddress_;
  facts.remotePort = peerPort_;
  facts.localAddr = localAddress_;
  facts.serverPort = server_.port();
  facts.contentLength = body.total;
  facts.responseBufferLimit = server_.options().responseBufferLimit;
  facts.debugErrors = server_.options().debugErrors;
  facts.defaultCodePage = server_.options().codePage;
  ExtensionCall call(server_, *this, facts, body, sink, extensionLog);
  call.Run();
  return finish();
}

void HttpConnection::ServeStatic(const HttpRequestHead&, const MappedUrl& url,
                                 const WIN32_FILE_ATTRIBUTE_DATA& attributes, ResponseSink& sink) {
  std::shared_ptr<const StaticFile> file;
  switch (server_.files().Get(url.physical, attributes, &file)) {
    case StaticFileCache::Result::kOk: break;
    case StaticFileCache::Result::kNotFound: sink.SendError(404, false); return;
    case StaticFileCache::Result::kTooLarge: sink.SendError(403, false); return;
    case StaticFileCache::Result::kError: sink.SendError(500, false); return;
  }
  sink.SendComplete("200 OK", 200, file->fields, file->contents);
}
