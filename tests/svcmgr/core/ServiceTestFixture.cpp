#include "ServiceTestFixture.h"

#include <windows.h>

namespace {

std::string ProgramDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path);
  return directory.substr(0, directory.find_last_of('\\') + 1);
}

constexpr DWORD kCleanupWaitMs = 15000;

}  // namespace

ServiceTestFixture::ServiceTestFixture() { manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }

ServiceTestFixture::~ServiceTestFixture() {
  commands_.reset();
  for (const std::string& name : created_) RemoveTestService(name);
  if (manager_) CloseServiceHandle(manager_);
}

ServiceCommands& ServiceTestFixture::Commands() {
  if (!commands_) {
    commands_ = std::make_unique<ServiceCommands>(
        ServiceCommandsParts{*api_, list, hooks, user, panes, cursor, keys, clock, program});
  }
  return *commands_;
}

std::string ServiceTestFixture::UniqueName() {
  static int counter = 0;
  char name[64];
  snprintf(name, sizeof name, "TamberT%lx_%d", GetCurrentProcessId(), ++counter);
  created_.push_back(name);
  return name;
}

std::string ServiceTestFixture::DisplayNameOf(const std::string& name) const { return Cp936("测试服务 ") + name; }

std::string ServiceTestFixture::BinaryPathFor(const char* mode) const {
  return "\"" + ProgramDirectory() + "tamber_test_service.exe\" " + mode;
}

std::string ServiceTestFixture::CreateTestService(const char* mode, DWORD type, DWORD startType,
                                                  const std::string& description) {
  std::string name = UniqueName();
  SC_HANDLE service =
      CreateServiceA(manager_, name.c_str(), DisplayNameOf(name).c_str(), SERVICE_ALL_ACCESS, type, startType,
                     SERVICE_ERROR_NORMAL, BinaryPathFor(mode).c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(nullptr, service) << "CreateServiceA " << name << ": " << GetLastError();
  if (service && !description.empty()) {
    SERVICE_DESCRIPTIONA text{const_cast<char*>(description.c_str())};
    EXPECT_TRUE(ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &text));
  }
  if (service) CloseServiceHandle(service);
  return name;
}

void ServiceTestFixture::StartAndWaitRunning(const std::string& name) {
  SC_HANDLE service = OpenServiceA(manager_, name.c_str(), SERVICE_ALL_ACCESS);
  ASSERT_NE(nullptr, service);
  EXPECT_TRUE(StartServiceA(service, 0, nullptr)) << GetLastError();
  SERVICE_STATUS status{};
  for (int i = 0; i < 200 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_RUNNING; ++i) {
    Sleep(50);
  }
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
  CloseServiceHandle(service);
}

SERVICE_STATUS_PROCESS ServiceTestFixture::StatusOf(const std::string& name) {
  SERVICE_STATUS_PROCESS status{};
  SC_HANDLE service = OpenServiceA(manager_, name.c_str(), SERVICE_QUERY_STATUS);
  if (service) {
    DWORD needed = 0;
    QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &needed);
    CloseServiceHandle(service);
  }
  return status;
}

DWORD ServiceTestFixture::StartTypeOf(const std::string& name) {
  DWORD startType = 0xFFFFFFFF;
  SC_HANDLE service = OpenServiceA(manager_, name.c_str(), SERVICE_QUERY_CONFIG);
  if (service) {
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed)) {
      startType = config->dwStartType;
    }
    CloseServiceHandle(service);
  }
  return startType;
}

bool ServiceTestFixture::Exists(const std::string& name) {
  SC_HANDLE service = OpenServiceA(manager_, name.c_str(), GENERIC_READ);
  if (service) CloseServiceHandle(service);
  return service != nullptr;
}

void ServiceTestFixture::SelectOnly(const std::vector<std::string>& names) {
  for (int row = 0; row < list.RowCount(); ++row) list.SetSelected(row, false);
  for (const std::string& name : names) {
    int row = list.RowOf(name);
    ASSERT_NE(-1, row) << name;
    list.SetSelected(row, true);
  }
}

std::string ServiceTestFixture::Cell(const std::string& name, int column) const {
  int row = list.RowOf(name);
  return row == -1 ? "<no row>" : list.GetCell(row, column);
}

void ServiceTestFixture::RemoveTestService(const std::string& name) {
  SC_HANDLE service = OpenServiceA(manager_, name.c_str(), SERVICE_ALL_ACCESS);
  if (!service) return;
  SERVICE_STATUS status{};
  if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    DWORD started = GetTickCount();
    while (GetTickCount() - started < kCleanupWaitMs && QueryServiceStatus(service, &status) &&
           status.dwCurrentState != SERVICE_STOPPED) {
      Sleep(50);
    }
  }
  DeleteService(service);
  CloseServiceHandle(service);
}
