#include "app/CApplicationObject.h"

#include <cstdio>
#include <new>
#include <utility>

#include "app/StateClock.h"
#include "app/YApplicationContext.h"
#include "app/YPageContext.h"
#include "automation/Clock.h"
#include "automation/TextConversion.h"
#include "host/CResponseObject.h"
#include "objects/CCookie.h"
#include "objects/CRequestObject.h"
#include "objects/YCookieDictionary.h"
#include "objects/YSessionDictionary.h"

// RtlGenRandom: the system's cryptographic random generator (advapi32).
extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);

const IID IID_CApplicationObject = {0xF1F50F5A, 0x67F5, 0x4842, {0xB8, 0xA8, 0xDC, 0x56, 0x84, 0xE1, 0xA5, 0x86}};

namespace {

constexpr char kSessionCookie[] = "SESSIONID";
constexpr size_t kRandomIdsPerDraw = 64;

// The last-write time of the file at path; false when there is no such file. The path
// is taken as UTF-8 when it is valid UTF-8, else as text in the ANSI code page.
bool FileWriteTime(const std::string& path, int64_t* time) {
  int length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()), nullptr, 0);
  std::wstring wide = length > 0 ? NarrowToWide(path, CP_UTF8) : NarrowToWide(path, CP_ACP);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return false;
  *time = FileTimeToSeconds(data.ftLastWriteTime);
  return true;
}

// A missing file counts as time 0.
int64_t LastWriteTime(const std::string& path) {
  int64_t time = 0;
  return FileWriteTime(path, &time) ? time : 0;
}

// global.asa of a root: the root as given, so a trailing backslash is doubled.
std::string GlobalAsaPath(const std::string& root) { return root + "\\global.asa"; }

}  // namespace

CApplicationObject::CApplicationObject() : created_(StateNow()) {}

CApplicationObject::~CApplicationObject() = default;

std::span<const YInterfaceEntry> CApplicationObject::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_CApplicationObject, nullptr}};
  return kEntries;
}

bool CApplicationObject::GlobalAsaChanged(int64_t now) const {
  int64_t age = now - created_;
  if (age >= 0 && age <= kChangeGraceSeconds) return false;
  // An application without a root has no global.asa to look for.
  int64_t time = id().empty() ? 0 : LastWriteTime(GlobalAsaPath(id()));
  return time != globalAsaTime_;
}

// ---------------------------------------------------------------------------------
// Starting and ending.

void CApplicationObject::Start() {
  started_ = true;
  globalAsaTime_ = 0;
  if (id().empty()) return;
  const std::string path = GlobalAsaPath(id());
  if (!FileWriteTime(path, &globalAsaTime_)) return;
  auto context = std::make_unique<YApplicationContext>(this);
  if (!context->Compile(path)) return;
  context_ = std::move(context);
  context_->RunEvent(L"Application_OnStart");
}

void CApplicationObject::End() {
  std::map<std::string, CSessionObject*> sessions;
  sessions.swap(sessions_);
  for (auto& [id, session] : sessions) {
    if (session->DropReference() == 0) EndSession(session);
  }
  if (context_) context_->RunEvent(L"Application_OnEnd");
}

void CApplicationObject::EndSession(CSessionObject* session) {
  if (context_) {
    context_->SetEndingSession(session);
    context_->RunEvent(L"Session_OnEnd");
    context_->SetEndingSession(nullptr);
  }
  session->Release();
}

namespace {

// Marks the request whose session is starting for the length of a scope.
class StartingPageMark {
 public:
  StartingPageMark(YApplicationContext* context, YPageContext* page) : context_(context) {
    context_->SetStartingPage(page);
  }
  ~StartingPageMark() { context_->SetStartingPage(nullptr); }
  StartingPageMark(const StartingPageMark&) = delete;
  StartingPageMark& operator=(const StartingPageMark&) = delete;

 private:
  YApplicationContext* context_;
};

}  // namespace

// ---------------------------------------------------------------------------------
// Sessions.

std::string CApplicationObject::NewSessionId() {
  char text[16];
  for (;;) {
    if (randomIds_.empty()) {
      randomIds_.resize(kRandomIdsPerDraw);
      if (!SystemFunction036(randomIds_.data(), static_cast<ULONG>(randomIds_.size() * sizeof(uint32_t)))) {
        randomIds_.clear();
        throw std::bad_alloc();  // no random numbers: no session rather than a guessable one
      }
    }
    uint32_t number = randomIds_.back();
    randomIds_.pop_back();
    std::snprintf(text, sizeof text, "%u", number);
    // An id that names a live session of this application is never handed out again.
    if (sessions_.find(text) == sessions_.end()) return text;
  }
}

CSessionObject* CApplicationObject::NewSession() {
  std::string id = NewSessionId();
  auto* session = new CSessionObject;
  try {
    session->set_id(id);
    sessions_.emplace(std::move(id), session);
  } catch (...) {
    session->Release();
    throw;
  }
  session->AddReference();  // the request's
  return session;
}

void CApplicationObject::AttachSession(YPageContext* page) {
  const std::string& cookie = page->request()->SessionId();
  YMutexLock hold(mutex());
  if (!started_) Start();
  if (!cookie.empty()) {
    auto it = sessions_.find(cookie);
    if (it != sessions_.end() && !it->second->abandoned()) {
      CSessionObject* session = it->second;
      session->set_lastAccess(StateNow());
      session->AddReference();
      page->SetSession(session);
      return;
    }
  }
  CSessionObject* session = NewSession();
  page->SetSession(session);

  YCookieData data;
  data.name = kSessionCookie;
  data.value = session->id();
  if (YCookieDictionary* cookies = page->response()->cookies()) {
    cookies->MergeCookie(kSessionCookie, data)->Data().path = "/";
  }

  if (context_) {
    StartingPageMark starting(context_.get(), page);
    context_->CreateSessionObjects(session);
    context_->RunEvent(L"Session_OnStart");
  }
}

void CApplicationObject::DetachSession(CSessionObject* session) {
  if (session->DropReference() != 0) return;
  YMutexLock hold(mutex());
  EndSession(session);
}

void CApplicationObject::SweepSessions() {
  YMutexLock hold(mutex());
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    CSessionObject* session = it->second;
    if (!session->IsDue(StateNow())) {
      ++it;
      continue;
    }
    it = sessions_.erase(it);
    if (session->DropReference() == 0) EndSession(session);
  }
}

// ---------------------------------------------------------------------------------
// Application.Lock.

void CApplicationObject::Lock() {
  contents()->Lock();
  staticObjects()->Lock();
  YMutexLock hold(lockState_);
  if (lockOwner_ == 0) lockOwner_ = GetCurrentThreadId();
  ++lockCount_;
}

void CApplicationObject::UnLock() {
  {
    YMutexLock hold(lockState_);
    if (lockCount_ <= 0 || lockOwner_ != GetCurrentThreadId()) return;
    if (--lockCount_ == 0) lockOwner_ = 0;
  }
  staticObjects()->Unlock();
  contents()->Unlock();
}

void CApplicationObject::ReleaseLocksOfThread() {
  int32_t count = 0;
  {
    YMutexLock hold(lockState_);
    if (lockOwner_ != GetCurrentThreadId()) return;
    count = std::exchange(lockCount_, 0);
    lockOwner_ = 0;
  }
  for (int32_t i = 0; i < count; ++i) {
    staticObjects()->Unlock();
    contents()->Unlock();
  }
}

const YDispatchMap& CApplicationObject::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispMethod<&CApplicationObject::Lock>("Lock"),
      DispMethod<&CApplicationObject::UnLock>("unLock"),
      DispProperty<&CSessionObject::GetContents>("Contents"),
      DispProperty<&CSessionObject::GetStaticObjects>("StaticObjects"),
      DispProperty<&CSessionObject::GetItem, &CSessionObject::SetItem>("Item", DISPID_VALUE),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}
