// CApplicationObject: the Application object and everything that lives under one
// application root: its sessions, its compiled global.asa (YApplicationContext) and the
// Application.Lock state. Its id is the application root.
//
// The application's mutex (the base's) guards the holders' count, the sessions map and
// the started flag, and is held while Application_OnStart, Session_OnStart,
// Session_OnEnd and the session sweep run, so the handlers of one global.asa never run
// at once. Lock order, outermost first: application manager, application, session.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CSessionObject.h"

class YApplicationContext;
class YPageContext;

// {F1F50F5A-67F5-4842-B8A8-DC5684E1A586}
extern const IID IID_CApplicationObject;

class CApplicationObject : public CSessionObject {
 public:
  // A new application is not checked for a changed global.asa for this long.
  static constexpr int64_t kChangeGraceSeconds = 10;

  CApplicationObject();

  // Whether global.asa at the root changed since the application started; an
  // application younger than kChangeGraceSeconds never has. Under the manager's mutex.
  bool GlobalAsaChanged(int64_t now) const;
  int64_t created() const { return created_; }
  YApplicationContext* context() const { return context_.get(); }

  // The session of the request (its "SESSIONID" cookie) or a new one, with
  // Application_OnStart first when the application has not started yet. The page
  // context gets the session with one reference held for the request.
  void AttachSession(YPageContext* page);
  // Drops the request's reference; the last one ends the session (Session_OnEnd).
  void DetachSession(CSessionObject* session);
  // Removes every abandoned or expired session (the background thread's sweep).
  void SweepSessions();
  // Ends the application once the last holder has gone: every session ends, then
  // Application_OnEnd runs.
  void End();
  // Releases whatever Application.Lock the calling thread still holds (end of request).
  void ReleaseLocksOfThread();

  // Script members, in the order of the dispatch interface (with the base's Contents,
  // StaticObjects and Item).
  void Lock();
  void UnLock();

 protected:
  ~CApplicationObject() override;
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  // Compiles global.asa and runs Application_OnStart, under the application's mutex.
  void Start();
  CSessionObject* NewSession();
  std::string NewSessionId();
  // Session_OnEnd for a session whose last reference went, then its release.
  void EndSession(CSessionObject* session);

  std::map<std::string, CSessionObject*> sessions_;
  int64_t globalAsaTime_ = 0;
  int64_t created_;
  std::unique_ptr<YApplicationContext> context_;
  // Application.Lock: depth and owner, under their own small lock, which is only ever
  // taken alone (so an owner can always unlock, whatever the application's mutex does).
  YMutex lockState_;
  int32_t lockCount_ = 0;
  DWORD lockOwner_ = 0;
  bool started_ = false;
  std::vector<uint32_t> randomIds_;  // drawn ahead from the system's random generator
};
