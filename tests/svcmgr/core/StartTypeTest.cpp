// The five start-type commands against Wine's real manager. Wine's LockServiceDatabase
// always succeeds, so its failure comes from a double.
#include <gtest/gtest.h>

#include "ServiceTestFixture.h"
#include "core/ErrorText.h"
#include "core/ServiceRow.h"

namespace {

using StartType = ServiceTestFixture;

struct StartTypeCase {
  UINT command;
  DWORD startType;
  const char* text;
};

const StartTypeCase kCases[] = {
    {32777, SERVICE_AUTO_START, "自动启动"},   {32778, SERVICE_BOOT_START, "引导启动"},
    {32779, SERVICE_DEMAND_START, "手动启动"}, {32780, SERVICE_DISABLED, "禁止启动"},
    {32781, SERVICE_SYSTEM_START, "系统启动"},
};

TEST_F(StartType, EachCommandWritesItsTextAndChangesTheConfiguration) {
  // Boot and system start apply to drivers: a driver takes all five.
  std::string driver = UniqueName();
  std::string other = UniqueName();
  Commands().Connect(nullptr);
  Commands().CreateNewService(other, DisplayNameOf(other), "system32\\drivers\\tamber_other.sys", SERVICE_KERNEL_DRIVER,
                              SERVICE_DEMAND_START);
  Commands().CreateNewService(driver, DisplayNameOf(driver), "system32\\drivers\\tamber_none.sys",
                              SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START);
  ASSERT_TRUE(user.messages.empty());
  ASSERT_EQ((std::vector<std::string>{driver}), list.SelectedNames());

  for (const StartTypeCase& c : kCases) {
    SCOPED_TRACE(c.command);
    int sorts = hooks.sorts;
    Commands().SetStartType(c.command);
    EXPECT_EQ(Cp936(c.text), Cell(driver, ServiceRow::kStartType));
    EXPECT_EQ(c.startType, StartTypeOf(driver));
    EXPECT_EQ(sorts + 1, hooks.sorts);
  }
  EXPECT_TRUE(user.messages.empty());
  EXPECT_EQ(Cp936("手动启动"), Cell(other, ServiceRow::kStartType));  // not selected
  EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), StartTypeOf(other));
  EXPECT_EQ(5, Api().Calls("LockServiceDatabase"));
  EXPECT_EQ(5, Api().Calls("UnlockServiceDatabase"));
  EXPECT_EQ(ServiceCommands::kChangeAccess, Api().serviceAccess.back());
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);

  // Ids outside the five do nothing.
  Commands().SetStartType(32776);
  Commands().SetStartType(32782);
  EXPECT_EQ(5, Api().Calls("LockServiceDatabase"));
}

TEST_F(StartType, FailuresAreReportedPerServiceAndTheCommandGoesOn) {
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  int missing = list.InsertRow("TamberNoSuchService");
  list.SetCell(missing, ServiceRow::kDisplayName, "Missing");
  SelectOnly({"TamberNoSuchService", name});

  Commands().SetStartType(32780);

  ASSERT_EQ(1u, user.messages.size());
  EXPECT_EQ(Cp936("打开服务Missing失败:") + ErrorTextFor(ERROR_SERVICE_DOES_NOT_EXIST), user.messages[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), user.messages[0].type);
  EXPECT_EQ(Cp936("禁止启动"), Cell(name, ServiceRow::kStartType));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), StartTypeOf(name));
}

class LockRefusingApi : public TrackingServiceApi {
 public:
  SC_LOCK LockServiceDatabase(SC_HANDLE) override {
    Count("LockServiceDatabase");
    SetLastError(ERROR_SERVICE_DATABASE_LOCKED);
    return nullptr;
  }
};

TEST_F(StartType, DatabaseLockFailureAnsweredCancelChangesNothing_Double) {
  auto& api = UseApi<LockRefusingApi>();
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  SelectOnly({name});
  user.answers = {IDCANCEL};
  int sorts = hooks.sorts;
  size_t opens = api.serviceAccess.size();

  Commands().SetStartType(32777);

  ASSERT_EQ(1u, user.messages.size());
  EXPECT_EQ(Cp936("锁定服务数据库失败:") + ErrorTextFor(ERROR_SERVICE_DATABASE_LOCKED) + Cp936("\n是否强制更新设置?"),
            user.messages[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION), user.messages[0].type);
  EXPECT_EQ(opens, api.serviceAccess.size());
  EXPECT_EQ(Cp936("手动启动"), Cell(name, ServiceRow::kStartType));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), StartTypeOf(name));
  EXPECT_EQ(0, api.Calls("UnlockServiceDatabase"));
  EXPECT_EQ(sorts + 1, hooks.sorts);
  EXPECT_EQ(0, cursor.depth);
}

TEST_F(StartType, DatabaseLockFailureAnsweredOkChangesWithoutTheLock_Double) {
  auto& api = UseApi<LockRefusingApi>();
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  SelectOnly({name});
  user.answers = {IDOK};

  Commands().SetStartType(32777);

  EXPECT_EQ(1u, user.messages.size());
  EXPECT_EQ(Cp936("自动启动"), Cell(name, ServiceRow::kStartType));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), StartTypeOf(name));
  EXPECT_EQ(0, api.Calls("UnlockServiceDatabase"));
  EXPECT_EQ(0u, api.OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);
}

}  // namespace
