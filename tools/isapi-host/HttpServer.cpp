#include "HttpServer.h"

#include "SocketStream.h"

HttpServer::HttpServer(HostOptions options, ConnectionLimits limits) : options_(std::move(options)), limits_(limits) {
  apps_.push_back({"/", options_.root});
  for (const Application& app : options_.apps) apps_.push_back(app);
  if (!options_.workerChannel.empty())
    mode_ = Mode::kWorker;
  else if (!options_.inProcess && WorkerChannel::Supported() && !options_.extension.empty())
    mode_ = Mode::kSupervisor;
}

HttpServer::~HttpServer() {
  Stop(5000);
  pool_.reset();  // waits for requests still running past the grace
  supervisor_.reset();
  loop_.reset();
  if (receiver_) CloseHandle(receiver_);
  if (token_) CloseHandle(token_);
  if (sockets_) Sockets::Cleanup();
}

bool HttpServer::Start(std::string* error) {
  if (mode_ == Mode::kWorker) {
    channel_ = std::make_unique<WorkerChannel>();
    if (!channel_->Connect(options_.workerChannel, error)) return false;
    log_.Forward([this](std::string_view line) { channel_->SendLog(line); });
  } else if (!log_.Open(options_.accessLog)) {
    *error = "cannot open access log " + options_.accessLog;
    return false;
  }
  if (mode_ != Mode::kSupervisor && !options_.extension.empty() && !extension_.Load(options_.extension, error))
    return false;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, &token_);
  if (!Sockets::Startup(error)) return false;
  sockets_ = true;

  if (mode_ != Mode::kSupervisor) {
    pool_ = std::make_unique<WorkerPool>(*this, [this](WorkerPool::Job&& job, bool keepAlive) {
      if (mode_ == Mode::kWorker) {
        // The server process owns the connection; this process's copy of it goes.
        channel_->SendDone(job.slot, keepAlive, job.connection.buffered);
        Sockets::Close(job.connection.socket);
      } else {
        loop_->Return(std::move(job.connection), keepAlive);
      }
    });
    if (!pool_->Start(options_.threads, error)) return false;
  }
  if (mode_ == Mode::kWorker) {
    port_ = options_.port;
    receiver_ = CreateThread(nullptr, 0, ReceiveMain, this, 0, nullptr);
    if (!receiver_) *error = "cannot start the thread that takes requests";
    return receiver_ != nullptr;
  }

  loop_ = std::make_unique<ConnectionLoop>(limits_, log_, [this](ReadyConnection&& connection) {
    if (supervisor_) {
      supervisor_->Dispatch(std::move(connection));
    } else {
      WorkerPool::Job job;
      job.connection = std::move(connection);
      pool_->Submit(std::move(job));
    }
  });
  // The worker process is started once the port is known, and before the first request.
  if (mode_ == Mode::kSupervisor) supervisor_ = std::make_unique<WorkerSupervisor>(log_, options_.threads,
                                                                                      options_.recycleAfterMs);
  if (!loop_->Listen(options_.bind, options_.port, &port_, error)) return false;
  if (supervisor_) {
    std::vector<std::string> args = options_.commandLine;
    args.push_back("--port");
    args.push_back(std::to_string(port_));
    if (!supervisor_->Start(*loop_, std::move(args), error)) return false;
  }
  return loop_->Start(error);
}

void HttpServer::Stop(DWORD graceMs) {
  if (stopping_.exchange(true)) return;
  if (loop_) loop_->Stop();
  if (supervisor_) supervisor_->Stop(graceMs);
  if (pool_) pool_->Stop(graceMs);
}

void HttpServer::BeginResponse(unsigned slot, SocketStream& stream) {
  if (mode_ != Mode::kWorker) return;
  // The server process learns from this word whether a client can still be told that
  // the worker failed: a request, until just before its response's first byte goes.
  channel_->SetState(slot, WorkerChannel::SlotState::kRequest);
  stream.ArmBeforeSend([this, slot] { channel_->SetState(slot, WorkerChannel::SlotState::kResponse); });
}

void HttpServer::NoteIdle(unsigned slot, bool idle) {
  if (mode_ != Mode::kWorker) return;
  channel_->SetState(slot, idle ? WorkerChannel::SlotState::kIdle : WorkerChannel::SlotState::kRequest);
}

DWORD WINAPI HttpServer::ReceiveMain(void* self) {
  static_cast<HttpServer*>(self)->ReceiveRequests();
  return 0;
}

void HttpServer::ReceiveRequests() {
  WorkerChannel::Request request;
  while (channel_->ReceiveRequest(&request)) {
    WorkerPool::Job job;
    job.slot = request.slot;
    job.connection = ReadyConnection{request.socket, std::move(request.peer), std::move(request.local),
                                     std::move(request.bytes)};
    pool_->Submit(std::move(job));
  }
  // The server process is gone or ended this one: nothing here is anyone's any more.
  ExitProcess(0);
}
