// CApplicationManager: the process's applications, one per application root. It hands
// each request its application with one reference added, and replaces an application
// whose global.asa changed (the old one ends when its last request has finished).
//
// Roots compare byte for byte, so roots that differ only in letter case are two
// applications. Applications are never ended for being idle, nor when the library is
// unloaded.
#pragma once

#include <map>
#include <string>

#include "automation/YMutex.h"

class CApplicationObject;

class CApplicationManager {
 public:
  static CApplicationManager& Instance();

  CApplicationManager() = default;
  CApplicationManager(const CApplicationManager&) = delete;
  CApplicationManager& operator=(const CApplicationManager&) = delete;
  virtual ~CApplicationManager() = default;

  // The application of root with one reference added for the caller: the existing one
  // unless its global.asa changed, else a new one (not started yet: its first session
  // attach starts it). Null only when no application could be made.
  CApplicationObject* GetApplication(const char* root);
  // Drops one reference; the last one ends the application.
  static void ReleaseApplication(CApplicationObject* application);
  // The background thread's sweep: every application's abandoned and expired sessions.
  void SweepSessions();

 protected:
  virtual CApplicationObject* CreateApplication(const std::string& root);

 private:
  YMutex mutex_;
  std::map<std::string, CApplicationObject*> applications_;
};
