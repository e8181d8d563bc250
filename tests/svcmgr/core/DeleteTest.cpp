// Deleting services of the test program through Wine's real manager.
#include <gtest/gtest.h>

#include "ServiceTestFixture.h"
#include "core/ErrorText.h"
#include "core/ServiceRow.h"

namespace {

using Delete = ServiceTestFixture;

std::string DeleteQuestion(const std::string& displayName) {
  return Cp936("您确定要删除\"") + displayName + Cp936("\"服务吗?");
}

TEST_F(Delete, NoMovesOnAndLeavesTheRowDeselected) {
  clock.real = true;
  std::string kept = CreateTestService("run");
  std::string gone = CreateTestService("run");
  Commands().Connect(nullptr);
  SelectOnly({kept, gone});
  user.answers = {IDNO, IDYES};
  int rows = list.RowCount();

  Commands().DeleteServices();

  ASSERT_EQ(2u, user.messages.size());
  EXPECT_EQ(DeleteQuestion(DisplayNameOf(kept)), user.messages[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), user.messages[0].type);
  EXPECT_EQ(DeleteQuestion(DisplayNameOf(gone)), user.messages[1].text);
  EXPECT_TRUE(Exists(kept));
  EXPECT_NE(-1, RowOf(kept));
  EXPECT_FALSE(list.IsSelected(RowOf(kept)));
  EXPECT_FALSE(Exists(gone));
  EXPECT_EQ(-1, RowOf(gone));
  EXPECT_EQ(rows - 1, list.RowCount());
  EXPECT_EQ(Cp936("共") + std::to_string(rows - 1) + Cp936("个服务"), panes.texts[1]);
  EXPECT_EQ(ServiceCommands::kDeleteAccess, Api().serviceAccess[Api().serviceAccess.size() - 2]);
  EXPECT_EQ(static_cast<DWORD>(GENERIC_READ), Api().serviceAccess.back());  // the check afterwards
  EXPECT_EQ((std::vector<DWORD>{500}), clock.sleeps);
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);
}

TEST_F(Delete, YesStopsARunningServiceThenDeletesItAndRemovesTheRow) {
  clock.real = true;
  std::string name = CreateTestService("run");
  StartAndWaitRunning(name);
  Commands().Connect(nullptr);
  SelectOnly({name});
  int begins = cursor.begins;

  Commands().DeleteServices();

  EXPECT_EQ(1u, user.messages.size());
  EXPECT_EQ(1, Api().Calls("ControlService"));
  EXPECT_EQ(1, Api().Calls("DeleteService"));
  EXPECT_FALSE(Exists(name));
  EXPECT_EQ(-1, RowOf(name));
  EXPECT_EQ(1, keys.reads);
  EXPECT_EQ(begins + 1, cursor.begins);
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);
}

TEST_F(Delete, ServiceTheManagerStillKnowsShowsDisabled) {
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  SelectOnly({name});
  // Another handle keeps the service, marked for deletion, in the manager.
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE holder = OpenServiceA(manager, name.c_str(), SERVICE_QUERY_STATUS);
  ASSERT_NE(nullptr, holder);

  Commands().DeleteServices();

  EXPECT_EQ(1, Api().Calls("DeleteService"));
  EXPECT_NE(-1, RowOf(name));
  EXPECT_EQ(Cp936("禁止启动"), Cell(name, ServiceRow::kStartType));
  EXPECT_FALSE(list.IsSelected(RowOf(name)));
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  CloseServiceHandle(holder);
  CloseServiceHandle(manager);
}

TEST_F(Delete, CtrlHeldDeletesWithoutStopping) {
  std::string first = CreateTestService("run");
  std::string second = CreateTestService("run");
  StartAndWaitRunning(first);
  Commands().Connect(nullptr);
  SelectOnly({first, second});
  keys.ctrlDown = true;

  Commands().DeleteServices();

  EXPECT_EQ(1, keys.reads);  // read once for the whole command
  EXPECT_EQ(0, Api().Calls("ControlService"));
  EXPECT_EQ(0, Api().Calls("QueryServiceStatus"));
  EXPECT_EQ(2, Api().Calls("DeleteService"));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StatusOf(first).dwCurrentState);
  // The running service's own process still holds it, or it is gone already.
  int row = RowOf(first);
  if (row != -1) {
    EXPECT_EQ(Cp936("禁止启动"), list.GetCell(row, ServiceRow::kStartType));
  }
  EXPECT_EQ(-1, RowOf(second));
  EXPECT_EQ(0u, Api().OpenServiceHandles());
}

TEST_F(Delete, StopTimeOutBeforeDeleteKeepsTheService_FakeClock) {
  std::string name = CreateTestService("slow-stop");
  StartAndWaitRunning(name);
  Commands().Connect(nullptr);
  SelectOnly({name});

  Commands().DeleteServices();

  ASSERT_EQ(2u, user.messages.size());
  EXPECT_EQ(Cp936("停止服务") + DisplayNameOf(name) + Cp936("超时!"), user.messages[1].text);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), user.messages[1].type);
  EXPECT_EQ(150u, clock.sleeps.size());  // 15 s of 100 ms sleeps
  EXPECT_EQ(0, Api().Calls("DeleteService"));
  EXPECT_TRUE(Exists(name));
  EXPECT_EQ(Cp936("已启动"), Cell(name, ServiceRow::kState));  // only the stop command writes 正在停止
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);
}

TEST_F(Delete, FailedDeleteIsReported) {
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  // Deleted behind the list's back but still held open: the second delete fails.
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  SC_HANDLE holder = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
  ASSERT_TRUE(::DeleteService(holder));
  SelectOnly({name});

  Commands().DeleteServices();

  ASSERT_EQ(2u, user.messages.size());
  EXPECT_EQ(Cp936("删除服务") + DisplayNameOf(name) + Cp936("失败:") + ErrorTextFor(ERROR_SERVICE_MARKED_FOR_DELETE),
            user.messages[1].text);
  EXPECT_NE(-1, RowOf(name));
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  CloseServiceHandle(holder);
  CloseServiceHandle(manager);
}

}  // namespace
