// Starting and stopping services of the test program through Wine's real manager. The
// time-outs run on a fake clock; a status query that fails inside a poll comes from a
// double.
#include <gtest/gtest.h>

#include "ServiceTestFixture.h"
#include "core/ErrorText.h"
#include "core/ServiceRow.h"

namespace {

using StartStop = ServiceTestFixture;

const UINT kError = MB_OK | MB_ICONERROR;

TEST_F(StartStop, StartShowsRunningAndTheProcessId) {
  clock.real = true;  // the service really needs its few milliseconds
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  SelectOnly({name});
  int sorts = hooks.sorts;

  Commands().StartServices();

  EXPECT_TRUE(user.messages.empty());
  SERVICE_STATUS_PROCESS status = StatusOf(name);
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
  EXPECT_EQ(Cp936("已启动"), Cell(name, ServiceRow::kState));
  EXPECT_EQ(std::to_string(status.dwProcessId), Cell(name, ServiceRow::kProcessId));
  EXPECT_EQ(ServiceCommands::kStartAccess, Api().serviceAccess.back());
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(sorts + 1, hooks.sorts);
  EXPECT_EQ(0, cursor.depth);
  for (DWORD sleep : clock.sleeps) EXPECT_EQ(100u, sleep);
}

TEST_F(StartStop, StartingARunningServiceDoesNothing) {
  std::string name = CreateTestService("run");
  StartAndWaitRunning(name);
  Commands().Connect(nullptr);
  SelectOnly({name});
  list.SetCell(RowOf(name), ServiceRow::kState, "untouched");

  Commands().StartServices();

  EXPECT_TRUE(user.messages.empty());
  EXPECT_EQ(0, Api().Calls("StartServiceA"));
  EXPECT_EQ("untouched", Cell(name, ServiceRow::kState));
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);
}

TEST_F(StartStop, ServiceThatStopsAgainAfterStartIsReported) {
  clock.real = true;
  std::string name = CreateTestService("stop-after-start");
  Commands().Connect(nullptr);
  SelectOnly({name});

  Commands().StartServices();

  ASSERT_EQ(1u, user.messages.size());
  EXPECT_EQ(Cp936("服务 ") + DisplayNameOf(name) + Cp936(" 启动后又停止了."), user.messages[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), user.messages[0].type);
  EXPECT_EQ(Cp936("Windows 服务管理器"), user.messages[0].caption);
  EXPECT_EQ("", Cell(name, ServiceRow::kState));
  EXPECT_EQ(0u, Api().OpenServiceHandles());
}

TEST_F(StartStop, StartFailuresAreReportedAndTheCommandGoesOn) {
  clock.real = true;
  std::string disabled = CreateTestService("run", SERVICE_WIN32_OWN_PROCESS, SERVICE_DISABLED);
  std::string good = CreateTestService("run");
  Commands().Connect(nullptr);
  int missing = list.InsertRow("TamberNoSuchService");
  list.SetCell(missing, ServiceRow::kDisplayName, Cp936("不存在的服务"));
  SelectOnly({"TamberNoSuchService", disabled, good});

  Commands().StartServices();

  // Rows are walked in list order: "TamberNoSuch..." sorts before "TamberT...".
  ASSERT_EQ(2u, user.messages.size());
  EXPECT_EQ(Cp936("打开服务不存在的服务失败:") + ErrorTextFor(ERROR_SERVICE_DOES_NOT_EXIST), user.messages[0].text);
  EXPECT_EQ(kError, user.messages[0].type);
  EXPECT_EQ(Cp936("启动服务") + DisplayNameOf(disabled) + Cp936("失败:") + ErrorTextFor(ERROR_SERVICE_DISABLED),
            user.messages[1].text);
  EXPECT_EQ(kError, user.messages[1].type);
  EXPECT_EQ(Cp936("已启动"), Cell(good, ServiceRow::kState));
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);
}

TEST_F(StartStop, StartTimeOutKeepsTheCells_FakeClock) {
  std::string name = CreateTestService("never-running");
  Commands().Connect(nullptr);
  SelectOnly({name});
  list.SetCell(RowOf(name), ServiceRow::kState, "before");

  Commands().StartServices();

  ASSERT_EQ(1u, user.messages.size());
  EXPECT_EQ(Cp936("启动服务 ") + DisplayNameOf(name) + Cp936(" 超时!"), user.messages[0].text);
  EXPECT_EQ(kError, user.messages[0].type);
  EXPECT_EQ("before", Cell(name, ServiceRow::kState));
  EXPECT_EQ(200u, clock.sleeps.size());  // 20 s of 100 ms sleeps
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);
}

// Status queries that fail from the given call on.
class FailingStatusApi : public TrackingServiceApi {
 public:
  BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) override {
    if (++plainQueries >= failFrom) return Fail("QueryServiceStatus");
    return TrackingServiceApi::QueryServiceStatus(service, status);
  }
  BOOL QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, BYTE* buffer, DWORD size, DWORD* needed) override {
    if (++extendedQueries >= failFrom) return Fail("QueryServiceStatusEx");
    return TrackingServiceApi::QueryServiceStatusEx(service, level, buffer, size, needed);
  }
  int failFrom = 2;
  int plainQueries = 0;
  int extendedQueries = 0;

 private:
  BOOL Fail(const char* function) {
    Count(function);
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
};

TEST_F(StartStop, FailedStatusQueryInsideTheStartPollIsReportedOnce_Double) {
  auto& api = UseApi<FailingStatusApi>();
  std::string name = CreateTestService("never-running");
  Commands().Connect(nullptr);
  SelectOnly({name});

  Commands().StartServices();

  ASSERT_EQ(1u, user.messages.size());
  EXPECT_EQ(Cp936("获取服务") + DisplayNameOf(name) + Cp936("状态信息失败:") + ErrorTextFor(ERROR_INVALID_HANDLE),
            user.messages[0].text);
  EXPECT_EQ(2, api.extendedQueries);
  EXPECT_TRUE(clock.sleeps.empty());
  EXPECT_EQ(0u, api.OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);
}

TEST_F(StartStop, StopAsksAndYesClearsStateAndProcessId) {
  clock.real = true;
  std::string name = CreateTestService("run");
  StartAndWaitRunning(name);
  Commands().Connect(nullptr);
  SelectOnly({name});
  ASSERT_EQ(Cp936("已启动"), Cell(name, ServiceRow::kState));
  ASSERT_NE("", Cell(name, ServiceRow::kProcessId));
  int begins = cursor.begins;

  Commands().StopServices();

  ASSERT_EQ(1u, user.messages.size());
  EXPECT_EQ(Cp936("您确定要停止\"") + DisplayNameOf(name) + Cp936("\"服务吗?"), user.messages[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), user.messages[0].type);
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), StatusOf(name).dwCurrentState);
  EXPECT_EQ("", Cell(name, ServiceRow::kState));
  EXPECT_EQ("", Cell(name, ServiceRow::kProcessId));
  EXPECT_EQ(ServiceCommands::kStopAccess, Api().serviceAccess.back());
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(begins + 1, cursor.begins);
  EXPECT_EQ(0, cursor.depth);
}

TEST_F(StartStop, StopAnsweredNoLeavesTheRowAndTheService) {
  std::string name = CreateTestService("run");
  StartAndWaitRunning(name);
  Commands().Connect(nullptr);
  SelectOnly({name});
  user.answers = {IDNO};
  int begins = cursor.begins;

  Commands().StopServices();

  EXPECT_EQ(1u, user.messages.size());
  EXPECT_EQ(0, Api().Calls("ControlService"));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), StatusOf(name).dwCurrentState);
  EXPECT_EQ(Cp936("已启动"), Cell(name, ServiceRow::kState));
  EXPECT_EQ(begins, cursor.begins);  // no confirmed stop, no wait cursor
  EXPECT_EQ(0u, Api().OpenServiceHandles());
}

TEST_F(StartStop, StoppingAStoppedServiceOnlyClearsItsCells) {
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  SelectOnly({name});
  list.SetCell(RowOf(name), ServiceRow::kState, Cp936("已启动"));
  list.SetCell(RowOf(name), ServiceRow::kProcessId, "42");

  Commands().StopServices();

  EXPECT_TRUE(user.messages.empty());
  EXPECT_EQ(0, Api().Calls("ControlService"));
  EXPECT_EQ("", Cell(name, ServiceRow::kState));
  EXPECT_EQ("", Cell(name, ServiceRow::kProcessId));
  EXPECT_EQ(0u, Api().OpenServiceHandles());
}

TEST_F(StartStop, StopTimeOutWritesStopping_FakeClock) {
  std::string name = CreateTestService("slow-stop");
  StartAndWaitRunning(name);
  Commands().Connect(nullptr);
  SelectOnly({name});

  Commands().StopServices();

  ASSERT_EQ(2u, user.messages.size());
  EXPECT_EQ(Cp936("停止服务") + DisplayNameOf(name) + Cp936("超时!"), user.messages[1].text);
  EXPECT_EQ(kError, user.messages[1].type);
  EXPECT_EQ(Cp936("正在停止"), Cell(name, ServiceRow::kState));
  EXPECT_EQ(200u, clock.sleeps.size());
  EXPECT_EQ(0u, Api().OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);
}

TEST_F(StartStop, FailedStatusQueryInsideTheStopPollIsReportedOnce_Double) {
  auto& api = UseApi<FailingStatusApi>();
  std::string name = CreateTestService("slow-stop");
  StartAndWaitRunning(name);
  Commands().Connect(nullptr);
  SelectOnly({name});

  Commands().StopServices();

  ASSERT_EQ(2u, user.messages.size());  // the question, then the failure
  EXPECT_EQ(Cp936("获取服务") + DisplayNameOf(name) + Cp936("状态信息失败:") + ErrorTextFor(ERROR_INVALID_HANDLE),
            user.messages[1].text);
  EXPECT_EQ(kError, user.messages[1].type);
  EXPECT_EQ(2, api.plainQueries);
  EXPECT_EQ(1, api.Calls("ControlService"));
  EXPECT_TRUE(clock.sleeps.empty());
  EXPECT_EQ(Cp936("已启动"), Cell(name, ServiceRow::kState));
  EXPECT_EQ(0u, api.OpenServiceHandles());
  EXPECT_EQ(0, cursor.depth);
}

}  // namespace
