// Connecting to the local manager and refreshing the list, against Wine's real service
// manager; the enumeration failures the platform does not produce come from doubles.
#include <gtest/gtest.h>

#include "ServiceTestFixture.h"
#include "core/ErrorText.h"
#include "core/ServiceRow.h"

namespace {

using Refresh = ServiceTestFixture;

std::string CountText(int rows) { return Cp936("共") + std::to_string(rows) + Cp936("个服务"); }

TEST_F(Refresh, ListsTheTestServiceWithEveryFixedColumn) {
  std::string description = Cp936("坦伯的测试服务：描述");
  std::string name = CreateTestService("run", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, description);
  Commands().Connect(nullptr);

  ASSERT_NE(-1, RowOf(name));
  EXPECT_EQ(DisplayNameOf(name), Cell(name, ServiceRow::kDisplayName));
  EXPECT_EQ(Cp936("独立进程服务"), Cell(name, ServiceRow::kType));
  EXPECT_EQ("", Cell(name, ServiceRow::kState));
  EXPECT_EQ("", Cell(name, ServiceRow::kProcessId));
  EXPECT_EQ(Cp936("手动启动"), Cell(name, ServiceRow::kStartType));
  EXPECT_EQ(description, Cell(name, ServiceRow::kDescription));
  EXPECT_EQ(BinaryPathFor("run"), Cell(name, ServiceRow::kBinaryPath));

  // The view around it: labels, count, hidden while filled, sized, hooks, cursor.
  EXPECT_TRUE(Commands().IsLocal());
  EXPECT_EQ("LocalHost", program.machineLabel);
  EXPECT_EQ("LocalHost", panes.texts[2]);
  EXPECT_EQ(CountText(list.RowCount()), panes.texts[1]);
  EXPECT_EQ((std::vector<bool>{false, true}), list.visibility);
  EXPECT_EQ((std::vector<int>{2, 3, 4}), list.autoSized);
  EXPECT_EQ(1, hooks.fills);
  EXPECT_EQ(1, hooks.sorts);
  EXPECT_EQ(0, cursor.depth);
  EXPECT_GT(cursor.begins, 0);
  EXPECT_EQ(-1, Commands().FindRow());
  EXPECT_TRUE(user.messages.empty());

  // Per service: one open for reading, and every handle closed again.
  EXPECT_EQ(list.RowCount(), Api().Calls("OpenServiceA"));
  for (DWORD access : Api().serviceAccess) EXPECT_EQ(static_cast<DWORD>(GENERIC_READ), access);
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(1u, Api().OpenManagerHandles());
  EXPECT_EQ(2, Api().Calls("EnumServicesStatusExA"));
}

TEST_F(Refresh, RunningInteractiveServiceShowsOwnProcessStateAndProcessId) {
  std::string name = CreateTestService("run", SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS);
  StartAndWaitRunning(name);
  Commands().Connect(nullptr);

  EXPECT_EQ(Cp936("独立进程服务"), Cell(name, ServiceRow::kType));
  EXPECT_EQ(Cp936("已启动"), Cell(name, ServiceRow::kState));
  DWORD pid = StatusOf(name).dwProcessId;
  ASSERT_NE(0u, pid);
  EXPECT_EQ(std::to_string(pid), Cell(name, ServiceRow::kProcessId));
}

TEST_F(Refresh, DriverFilterListsKernelDriversOnly) {
  std::string driver = UniqueName();
  std::string application = CreateTestService("run");
  Commands().Connect(nullptr);
  Commands().CreateNewService(driver, DisplayNameOf(driver), "system32\\drivers\\tamber_none.sys",
                              SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START);
  ASSERT_TRUE(user.messages.empty());

  EXPECT_EQ(ServiceCommands::kKernelDrivers, Commands().Filter());
  EXPECT_EQ(-1, RowOf(application));
  ASSERT_NE(-1, RowOf(driver));
  EXPECT_EQ(Cp936("设备驱动"), Cell(driver, ServiceRow::kType));
  EXPECT_EQ("system32\\drivers\\tamber_none.sys", Cell(driver, ServiceRow::kBinaryPath));
  EXPECT_GT(list.RowCount(), 1);  // Wine's own drivers are there too
  for (int row = 0; row < list.RowCount(); ++row) {
    std::string type = list.GetCell(row, ServiceRow::kType);
    EXPECT_TRUE(type == Cp936("设备驱动") || type == Cp936("文件系统驱动")) << list.GetCell(row, 0);
  }
}

TEST_F(Refresh, SameFilterKeepsTheSelectionByNameAndTheScrollPlace) {
  std::string first = CreateTestService("run");
  std::string second = CreateTestService("run");
  std::string third = CreateTestService("run");
  Commands().Connect(nullptr);
  SelectOnly({first, third});
  // The list may hold the name in another case than the manager reports it.
  std::string upper = first;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  list.SetCell(RowOf(first), ServiceRow::kName, upper);
  list.SetPage(4, 10);
  Commands().SetFindPosition(3, 2);

  Commands().RefreshList();

  EXPECT_EQ((std::vector<std::string>{first, third}), list.SelectedNames());
  ASSERT_FALSE(list.scrolls.empty());
  EXPECT_EQ(std::make_pair(13, true), list.scrolls.back());
  EXPECT_EQ(-1, Commands().FindRow());
  EXPECT_EQ(-1, Commands().FindColumn());

  // A page that holds no rows scrolls back to its top row.
  list.SetPage(7, 0);
  Commands().RefreshList();
  EXPECT_EQ(std::make_pair(7, true), list.scrolls.back());
}

TEST_F(Refresh, FilterChangeSelectsNothingAndStartsAtTheTop) {
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  SelectOnly({name});
  list.SetPage(5, 10);

  Commands().SetFilter(ServiceCommands::kKernelDrivers);
  Commands().RefreshList();
  EXPECT_TRUE(list.SelectedNames().empty());
  EXPECT_EQ(std::make_pair(0, true), list.scrolls.back());
  EXPECT_EQ(ServiceCommands::kKernelDrivers, program.previousFilter);

  Commands().SetFilter(ServiceCommands::kApplicationServices);
  Commands().RefreshList();
  EXPECT_TRUE(list.SelectedNames().empty());
  EXPECT_EQ(std::make_pair(0, true), list.scrolls.back());
}

TEST_F(Refresh, DescriptionBufferIsFixedAt4096Bytes) {
  std::string fitting =
      CreateTestService("run", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, std::string(1500, 'd'));
  std::string tooLong =
      CreateTestService("run", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, std::string(4100, 'd'));
  Commands().Connect(nullptr);
  EXPECT_EQ(1500u, Cell(fitting, ServiceRow::kDescription).size());
  EXPECT_EQ(0u, Cell(tooLong, ServiceRow::kDescription).size());
  EXPECT_EQ(BinaryPathFor("run"), Cell(tooLong, ServiceRow::kBinaryPath));
}

TEST_F(Refresh, WithoutAManagerHandleReportsTheEnumerationFailureAndKeepsTheRows) {
  list.InsertRow("kept");
  Commands().RefreshList();
  ASSERT_EQ(1u, user.messages.size());
  EXPECT_EQ(Cp936("枚举服务失败:") + ErrorTextFor(ERROR_INVALID_HANDLE), user.messages[0].text);
  EXPECT_EQ(Cp936("Windows 服务管理器"), user.messages[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), user.messages[0].type);
  EXPECT_EQ(1, list.RowCount());
  EXPECT_EQ(0, cursor.begins);
  EXPECT_TRUE(list.visibility.empty());
}

// The size probe answers what the test sets: a size, or success with nothing to list.
class ProbingApi : public TrackingServiceApi {
 public:
  BOOL EnumServicesStatusExA(SC_HANDLE manager, SC_ENUM_TYPE level, DWORD serviceType, DWORD serviceState, BYTE* buffer,
                             DWORD size, DWORD* needed, DWORD* returned, DWORD* resume, const char* group) override {
    if (buffer == nullptr && size == 0 && (probeSucceeds || probeSize != 0)) {
      Count("EnumServicesStatusExA");
      *returned = 0;
      if (probeSucceeds) {
        *needed = 0;
        SetLastError(ERROR_ACCESS_DENIED);  // a stale code from some earlier call
        return TRUE;
      }
      *needed = probeSize;
      SetLastError(ERROR_MORE_DATA);
      return FALSE;
    }
    return TrackingServiceApi::EnumServicesStatusExA(manager, level, serviceType, serviceState, buffer, size, needed,
                                                     returned, resume, group);
  }
  bool probeSucceeds = false;
  DWORD probeSize = 0;  // 0: the manager's own answer
};

TEST_F(Refresh, EnumerationLargerThanItsLimitIsAFailedAllocation_Double) {
  ProbingApi& api = UseApi<ProbingApi>();
  api.probeSize = ServiceCommands::kMaxEnumerationBytes + 1;
  Commands().Connect(nullptr);
  ASSERT_EQ(1u, user.messages.size());
  EXPECT_EQ(Cp936("枚举服务状态时分配内存失败!"), user.messages[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), user.messages[0].type);
  EXPECT_EQ(0, list.RowCount());
  EXPECT_EQ((std::vector<bool>{false, true}), list.visibility);
  EXPECT_EQ(CountText(0), panes.texts[1]);
  EXPECT_EQ(0, cursor.depth);

  // At the limit the buffer is allocated and the rows come.
  user.messages.clear();
  api.probeSize = ServiceCommands::kMaxEnumerationBytes;
  Commands().RefreshList();
  EXPECT_TRUE(user.messages.empty());
  EXPECT_GT(list.RowCount(), 0);
}

TEST_F(Refresh, ProbeThatSucceedsListsNothingWithoutAMessage_Double) {
  ProbingApi& api = UseApi<ProbingApi>();
  Commands().Connect(nullptr);
  ASSERT_GT(list.RowCount(), 0);
  api.probeSucceeds = true;
  Commands().RefreshList();
  EXPECT_TRUE(user.messages.empty());
  EXPECT_EQ(0, list.RowCount());
  EXPECT_EQ(CountText(0), panes.texts[1]);
}

}  // namespace
