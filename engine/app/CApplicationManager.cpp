#include "app/CApplicationManager.h"

#include <new>

#include "app/CApplicationObject.h"
#include "app/StateClock.h"

CApplicationManager& CApplicationManager::Instance() {
  // Never destroyed: the background thread may still sweep while the process exits.
  static CApplicationManager* instance = new CApplicationManager;
  return *instance;
}

CApplicationObject* CApplicationManager::CreateApplication(const std::string& root) {
  auto* application = new CApplicationObject;
  application->set_id(root);
  return application;
}

CApplicationObject* CApplicationManager::GetApplication(const char* root) {
  const std::string key = root ? root : "";
  YMutexLock hold(mutex_);
  auto it = applications_.find(key);
  if (it != applications_.end()) {
    CApplicationObject* application = it->second;
    const int64_t now = StateNow();
    if (!application->GlobalAsaChanged(now)) {
      application->set_lastAccess(now);
      application->AddReference();
      return application;
    }
    applications_.erase(it);
    ReleaseApplication(application);
  }
  CApplicationObject* application = CreateApplication(key);
  try {
    applications_.emplace(key, application);
  } catch (const std::bad_alloc&) {
    application->Release();
    throw;
  }
  application->AddReference();
  return application;
}

void CApplicationManager::ReleaseApplication(CApplicationObject* application) {
  if (application->DropReference() != 0) return;
  application->End();
  application->Release();
}

void CApplicationManager::SweepSessions() {
  YMutexLock hold(mutex_);
  for (auto& [root, application] : applications_) application->SweepSessions();
}
