// Connecting to the local machine and to remote ones. Wine opens the local manager for
// any machine name and has no network provider, so the remote cases put a double in
// front of OpenSCManagerA (and of WNetAddConnection3A where the prompt must answer).
#include <gtest/gtest.h>

#include "ServiceTestFixture.h"
#include "core/ErrorText.h"
#include "core/ServiceRow.h"

namespace {

using Connect = ServiceTestFixture;

// A remote manager that refuses access until an IPC connection is made, and an IPC
// connection that answers what the test sets (the credential prompt's outcome).
class RemoteApi : public TrackingServiceApi {
 public:
  SC_HANDLE OpenSCManagerA(const char* machine, const char* database, DWORD access) override {
    if (machine && (!connected || failAfterConnection)) {
      Count("OpenSCManagerA");
      managerMachines.push_back(machine);
      SetLastError(refusal);
      return nullptr;
    }
    return TrackingServiceApi::OpenSCManagerA(machine, database, access);
  }
  DWORD WNetAddConnection3A(HWND owner, NETRESOURCEA* resource, const char* password, const char* user,
                            DWORD flags) override {
    Count("WNetAddConnection3A");
    this->owner = owner;
    this->resource = *resource;
    remoteName = resource->lpRemoteName ? resource->lpRemoteName : "<null>";
    this->password = password ? password : "<null>";
    this->user = user ? user : "<null>";
    this->flags = flags;
    if (!useRealPrompt) {
      connected = prompt == NO_ERROR;
      SetLastError(prompt);
      return prompt;
    }
    return Win32ServiceApi::WNetAddConnection3A(owner, resource, password, user, flags);
  }

  DWORD refusal = ERROR_ACCESS_DENIED;
  DWORD prompt = ERROR_CANCELLED;
  bool useRealPrompt = false;
  bool connected = false;
  bool failAfterConnection = false;

  HWND owner = reinterpret_cast<HWND>(1);
  NETRESOURCEA resource{};
  std::string remoteName, password, user;
  DWORD flags = 0;
};

TEST_F(Connect, LocalMachineOnceThenLocalAgainDoesNothing) {
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  ASSERT_NE(-1, RowOf(name));
  ASSERT_NE(nullptr, Commands().Manager());
  EXPECT_EQ(1, list.repaints);
  EXPECT_EQ((std::vector<std::string>{""}), Api().managerMachines);

  Commands().Connect(nullptr);
  Commands().Connect("");  // an empty name is the local machine too
  EXPECT_EQ(1, Api().Calls("OpenSCManagerA"));
  EXPECT_EQ(1, list.repaints);
  EXPECT_EQ(1, hooks.fills);
  EXPECT_EQ(1u, Api().OpenManagerHandles());
}

TEST_F(Connect, RemoteAccessDeniedPromptCancelledReturnsToThePreviousMachine_Double) {
  auto& api = UseApi<RemoteApi>();
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);
  SC_HANDLE localManager = Commands().Manager();
  panes.history.clear();

  Commands().Connect("far");

  // The IPC share was asked for, with the system's own credential prompt.
  EXPECT_EQ(1, api.Calls("WNetAddConnection3A"));
  EXPECT_EQ("\\\\far\\ipc$", api.remoteName);
  EXPECT_EQ(static_cast<DWORD>(RESOURCETYPE_ANY), api.resource.dwType);
  EXPECT_EQ(nullptr, api.resource.lpLocalName);
  EXPECT_EQ(nullptr, api.resource.lpProvider);
  EXPECT_EQ("", api.password);
  EXPECT_EQ("", api.user);
  EXPECT_EQ(0x18u, api.flags);
  EXPECT_EQ(list.Window(), api.owner);

  // Cancelled: the previous label, handle and list are back.
  EXPECT_EQ("LocalHost", program.machineLabel);
  EXPECT_TRUE(Commands().IsLocal());
  EXPECT_EQ(localManager, Commands().Manager());
  EXPECT_EQ(1u, api.OpenManagerHandles());
  EXPECT_EQ((std::vector<std::string>{"", "far"}), api.managerMachines);
  ASSERT_GE(panes.history.size(), 4u);
  EXPECT_EQ(std::make_pair(2, std::string("far")), panes.history[0]);
  EXPECT_EQ(std::make_pair(1, std::string()), panes.history[1]);
  EXPECT_EQ(std::make_pair(2, std::string("LocalHost")), panes.history[2]);
  EXPECT_EQ("LocalHost", panes.texts[2]);
  EXPECT_NE(-1, RowOf(name));
  EXPECT_EQ(2, hooks.fills);
  EXPECT_TRUE(user.messages.empty());
  EXPECT_EQ(0, cursor.depth);
}

TEST_F(Connect, RemoteAccessDeniedPromptAcceptedConnectsThere_Double) {
  auto& api = UseApi<RemoteApi>();
  api.prompt = NO_ERROR;
  std::string name = CreateTestService("run");
  Commands().Connect(nullptr);

  Commands().Connect("far");

  EXPECT_EQ((std::vector<std::string>{"", "far", "far"}), api.managerMachines);
  EXPECT_EQ("far", program.machineLabel);
  EXPECT_EQ("far", panes.texts[2]);
  EXPECT_FALSE(Commands().IsLocal());
  EXPECT_NE(nullptr, Commands().Manager());
  EXPECT_EQ(1u, api.OpenManagerHandles());  // the local one was closed
  EXPECT_NE(-1, RowOf(name));
  EXPECT_TRUE(user.messages.empty());
  EXPECT_EQ(0, cursor.depth);

  // "本机" goes back to the local machine.
  Commands().Connect(nullptr);
  EXPECT_TRUE(Commands().IsLocal());
  EXPECT_EQ("LocalHost", panes.texts[2]);
  EXPECT_EQ(1u, api.OpenManagerHandles());
}

TEST_F(Connect, FailedConnectionLeavesNoHandleAndAnEmptyList_Double) {
  struct Case {
    const char* why;
    DWORD refusal;
    DWORD prompt;
    bool realPrompt;
    bool failAfterConnection;
    DWORD reported;  // the code whose text is shown
    int prompts;
  };
  const Case cases[] = {
      {"refused without prompt", ERROR_BAD_NETPATH, 0, false, false, ERROR_BAD_NETPATH, 0},
      {"prompt answered by Wine's mpr", ERROR_ACCESS_DENIED, 0, true, false, ERROR_NO_NETWORK, 1},
      {"refused again after the prompt", ERROR_ACCESS_DENIED, NO_ERROR, false, true, ERROR_ACCESS_DENIED, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    auto& api = UseApi<RemoteApi>();
    api.refusal = c.refusal;
    api.prompt = c.prompt;
    api.useRealPrompt = c.realPrompt;
    api.failAfterConnection = c.failAfterConnection;
    user.messages.clear();
    list.DeleteAllRows();
    Commands().Connect(nullptr);
    ASSERT_GT(list.RowCount(), 0);

    Commands().Connect("nowhere");

    std::string text = ErrorTextFor(c.reported);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(c.prompts, api.Calls("WNetAddConnection3A"));
    EXPECT_EQ(0, list.RowCount());
    EXPECT_EQ(nullptr, Commands().Manager());
    EXPECT_EQ(0u, api.OpenManagerHandles());
    EXPECT_EQ("nowhere", panes.texts[2]);
    EXPECT_EQ(text, panes.texts[1]);
    EXPECT_FALSE(Commands().IsLocal());
    ASSERT_EQ(1u, user.messages.size());
    EXPECT_EQ("OpenSCManager" + Cp936("调用失败:") + text, user.messages[0].text);
    EXPECT_EQ(Cp936("Windows 服务管理器"), user.messages[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), user.messages[0].type);
    EXPECT_EQ(0, cursor.depth);

    // With no handle a refresh reports the invalid handle.
    user.messages.clear();
    Commands().RefreshList();
    ASSERT_EQ(1u, user.messages.size());
    EXPECT_EQ(Cp936("枚举服务失败:") + ErrorTextFor(ERROR_INVALID_HANDLE), user.messages[0].text);
  }
}

}  // namespace
