// CSessionObject: the Session object, the state of one visitor inside an application,
// found again on every request by its "SESSIONID" cookie. It is also the base of the
// Application object, which carries the same fields (its id is the application root).
//
// Two counts keep it alive: the automation count of every COM reference, and the
// holders' count (the application's sessions map and each request using the session),
// changed only under the object's mutex. The holder that drops the last holder's
// reference ends the session and releases the automation reference it stood for.
#pragma once

#include <cstdint>
#include <string>

#include "automation/CCmdTarget.h"
#include "automation/ComPtr.h"
#include "automation/ScopedVariant.h"
#include "automation/YMutex.h"

class YSessionDictionary;

// {F1F51F5A-67F5-4842-B8A8-DC5684E1A586}
extern const IID IID_CSessionObject;

class CSessionObject : public CCmdTarget {
 public:
  // Minutes a session may stay idle before the sweep removes it.
  static constexpr int32_t kDefaultTimeoutMinutes = 20;

  CSessionObject();

  const std::string& id() const { return id_; }
  void set_id(std::string id) { id_ = std::move(id); }
  int64_t lastAccess() const { return lastAccess_; }
  void set_lastAccess(int64_t seconds) { lastAccess_ = seconds; }
  int32_t timeout() const { return timeout_; }
  int32_t codePage() const { return codePage_; }
  bool abandoned() const { return abandoned_; }
  YSessionDictionary* contents() const { return contents_; }
  YSessionDictionary* staticObjects() const { return staticObjects_; }
  YMutex& mutex() { return mutex_; }

  // Holders' count, under the object's mutex. DropReference answers what is left.
  void AddReference();
  int32_t DropReference();
  // Due for the sweep at now: abandoned, or idle longer than TimeOut minutes.
  bool IsDue(int64_t now) const;

  // Script members, in the order of the dispatch interface.
  void Abandon();
  ComPtr<IDispatch> GetContents();
  ComPtr<IDispatch> GetStaticObjects();
  LONG GetCodePage();
  void SetCodePage(LONG codePage);
  LONG GetLCID();
  void SetLCID(LONG lcid);
  std::string GetSessionID();
  LONG GetTimeOut();
  void SetTimeOut(LONG minutes);
  ScopedVariant GetItem(const VARIANT& key);
  void SetItem(const VARIANT& key, const VARIANT& value);

 protected:
  ~CSessionObject() override;
  void OnFinalRelease() override;
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  std::string id_;
  int64_t lastAccess_;
  int32_t timeout_ = kDefaultTimeoutMinutes;
  int32_t codePage_ = 0;
  int32_t lcid_ = 0;
  bool abandoned_ = false;
  int32_t references_ = 1;
  YMutex mutex_;
  YSessionDictionary* contents_;
  YSessionDictionary* staticObjects_;
};
