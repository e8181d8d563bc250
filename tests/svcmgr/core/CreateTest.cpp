// Creating services and reading their dependencies through Wine's real manager.
#include <gtest/gtest.h>

#include <cstring>

#include "ServiceTestFixture.h"
#include "core/ErrorText.h"
#include "core/ServiceRow.h"

namespace {

using Create = ServiceTestFixture;

TEST_F(Create, ApplicationServiceSwitchesToApplicationLevelAndIsSelected) {
  std::string neighbour = CreateTestService("run");
  Commands().SetFilter(ServiceCommands::kKernelDrivers);
  Commands().Connect(nullptr);
  std::string name = UniqueName();

  Commands().CreateNewService(name, DisplayNameOf(name), BinaryPathFor("run"), SERVICE_WIN32_OWN_PROCESS,
                              SERVICE_AUTO_START);

  EXPECT_TRUE(user.messages.empty());
  EXPECT_EQ(ServiceCommands::kApplicationServices, Commands().Filter());
  ASSERT_NE(-1, RowOf(name));
  EXPECT_NE(-1, RowOf(neighbour));
  EXPECT_EQ((std::vector<std::string>{name}), list.SelectedNames());
  EXPECT_EQ(std::make_pair(RowOf(name), false), list.scrolls.back());
  EXPECT_EQ(DisplayNameOf(name), Cell(name, ServiceRow::kDisplayName));
  EXPECT_EQ(Cp936("自动启动"), Cell(name, ServiceRow::kStartType));
  EXPECT_EQ(BinaryPathFor("run"), Cell(name, ServiceRow::kBinaryPath));
  EXPECT_EQ(Cp936("共") + std::to_string(list.RowCount()) + Cp936("个服务"), panes.texts[1]);
  EXPECT_EQ(0u, Api().OpenServiceHandles());
}

TEST_F(Create, KernelDriverSwitchesToKernelLevelAndIsSelected) {
  Commands().Connect(nullptr);
  std::string name = UniqueName();

  Commands().CreateNewService(name, DisplayNameOf(name), "\\??\\C:\\drivers\\tamber.sys", SERVICE_KERNEL_DRIVER,
                              SERVICE_DISABLED);

  EXPECT_TRUE(user.messages.empty());
  EXPECT_EQ(ServiceCommands::kKernelDrivers, Commands().Filter());
  ASSERT_NE(-1, RowOf(name));
  EXPECT_EQ((std::vector<std::string>{name}), list.SelectedNames());
  EXPECT_EQ(std::make_pair(RowOf(name), false), list.scrolls.back());
  EXPECT_EQ(Cp936("设备驱动"), Cell(name, ServiceRow::kType));
  EXPECT_EQ(Cp936("禁止启动"), Cell(name, ServiceRow::kStartType));
}

TEST_F(Create, FailingCreateShowsTheSystemTextAndChangesNothing) {
  std::string existing = CreateTestService("run");
  Commands().Connect(nullptr);
  int fills = hooks.fills;

  Commands().CreateNewService(existing, "other", BinaryPathFor("run"), SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START);

  ASSERT_EQ(1u, user.messages.size());
  EXPECT_EQ(Cp936("创建服务失败:") + ErrorTextFor(ERROR_SERVICE_EXISTS), user.messages[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), user.messages[0].type);
  EXPECT_EQ(ServiceCommands::kApplicationServices, Commands().Filter());
  EXPECT_EQ(fills, hooks.fills);
  EXPECT_EQ(0u, Api().OpenServiceHandles());
}

// Wine keeps a service's dependencies in the registry but answers none from
// QueryServiceConfigA; this double answers the configuration with a dependency list.
class DependencyApi : public TrackingServiceApi {
 public:
  BOOL QueryServiceConfigA(SC_HANDLE, QUERY_SERVICE_CONFIGA* config, DWORD size, DWORD* needed) override {
    Count("QueryServiceConfigA");
    const DWORD total = sizeof(QUERY_SERVICE_CONFIGA) + sizeof kDependencies;
    *needed = total;
    if (!config || size < total) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    *config = QUERY_SERVICE_CONFIGA{};
    char* strings = reinterpret_cast<char*>(config + 1);
    memcpy(strings, kDependencies, sizeof kDependencies);
    config->lpDependencies = strings;
    return TRUE;
  }
  static constexpr char kDependencies[] = "RpcSs\0+NetworkProvider\0Tcpip\0";
};

TEST_F(Create, DependenciesComeInOrderWithGroupNames_Double) {
  std::string name = CreateTestService("run");
  auto& api = UseApi<DependencyApi>();
  Commands().Connect(nullptr);

  EXPECT_EQ((std::vector<std::string>{"RpcSs", "+NetworkProvider", "Tcpip"}), Commands().QueryDependencies(name));
  EXPECT_EQ(ServiceCommands::kDependencyAccess, api.serviceAccess.back());
  EXPECT_TRUE(Commands().QueryDependencies("TamberNoSuchService").empty());
  EXPECT_EQ(0u, api.OpenServiceHandles());
}

TEST_F(Create, ServiceWithoutDependenciesHasNone) {
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  EXPECT_TRUE(Commands().QueryDependencies(name).empty());
  EXPECT_EQ(0u, Api().OpenServiceHandles());
}

}  // namespace
