// ServiceTestFixture: service commands wired to the doubles of the view and to Wine's
// real service manager, with test services of its own. Every service a test creates has
// a name unique to the run and is stopped and deleted when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FakeServiceList.h"
#include "TestText.h"
#include "TrackingServiceApi.h"
#include "ViewDoubles.h"
#include "core/ProgramState.h"
#include "core/ServiceCommands.h"

class ServiceTestFixture : public ::testing::Test {
 protected:
  ServiceTestFixture();
  ~ServiceTestFixture() override;

  // The service commands, made on first use with the api chosen so far.
  ServiceCommands& Commands();
  // Puts a double in front of the real manager; it lives as long as the fixture. The
  // service commands are made afresh on their next use.
  template <class Double>
  Double& UseApi() {
    commands_.reset();
    auto api = std::make_unique<Double>();
    Double& result = *api;
    ownedApi_ = std::move(api);
    api_ = &result;
    return result;
  }
  TrackingServiceApi& Api() { return *api_; }

  // Creates a test service running the test program in the given mode; its display name
  // is Chinese text followed by its name, its description the given text.
  std::string CreateTestService(const char* mode, DWORD type = SERVICE_WIN32_OWN_PROCESS,
                                DWORD startType = SERVICE_DEMAND_START, const std::string& description = "");
  // A name unique to this run, remembered for the clean-up.
  std::string UniqueName();
  std::string DisplayNameOf(const std::string& name) const;
  std::string BinaryPathFor(const char* mode) const;

  // Straight to the manager, bypassing the commands.
  void StartAndWaitRunning(const std::string& name);
  SERVICE_STATUS_PROCESS StatusOf(const std::string& name);
  DWORD StartTypeOf(const std::string& name);
  bool Exists(const std::string& name);

  // Selects exactly the rows of the given services.
  void SelectOnly(const std::vector<std::string>& names);
  int RowOf(const std::string& name) const { return list.RowOf(name); }
  std::string Cell(const std::string& name, int column) const;

  TrackingServiceApi defaultApi;
  FakeServiceList list;
  RecordingHooks hooks;
  ScriptedUser user;
  RecordingPanes panes;
  CountingWaitCursor cursor;
  FakeKeyState keys;
  FakeClock clock;
  ProgramState program;

 private:
  void RemoveTestService(const std::string& name);

  std::unique_ptr<TrackingServiceApi> ownedApi_;
  TrackingServiceApi* api_ = &defaultApi;
  std::unique_ptr<ServiceCommands> commands_;
  SC_HANDLE manager_ = nullptr;
  std::vector<std::string> created_;
};
