// The list rules of the main window over rows in memory: the sort order, the find
// search and the context menu.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <algorithm>

#include "FakeServiceList.h"
#include "ServiceTestFixture.h"
#include "core/ContextMenuRules.h"
#include "core/ServiceFind.h"
#include "core/ServiceRow.h"
#include "core/ServiceSort.h"
#include "res/Resource.h"

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

struct CompareCase {
  int column;
  const char* a;
  const char* b;
  int expected;  // sign
};

TEST(ServiceSortRules, ColumnsCompareByTheirOwnRule) {
  const CompareCase cases[] = {
      // Process ids: by value, empty cells first.
      {ServiceRow::kProcessId, "9", "10", -1},
      {ServiceRow::kProcessId, "100", "99", 1},
      {ServiceRow::kProcessId, "", "4", -1},
      {ServiceRow::kProcessId, "120", "120", 0},
      {ServiceRow::kProcessId, "130", "120", 1},
      // File paths: one leading quote skipped, then without regard to case.
      {ServiceRow::kBinaryPath, "\"C:\\b.exe\" run", "C:\\a.exe", 1},
      {ServiceRow::kBinaryPath, "\"c:\\A.exe\"", "C:\\a.exe\"", 0},
      {ServiceRow::kBinaryPath, "\"\"x", "\"x", -1},  // only one quote goes
      {ServiceRow::kBinaryPath, "", "\"a", -1},
      // Anything else: without regard to case, a quote counts.
      {ServiceRow::kName, "abc", "ABD", -1},
      {ServiceRow::kName, "Spooler", "spooler", 0},
      {ServiceRow::kDisplayName, "\"b", "a", -1},
      {ServiceRow::kProcessId + 1, "10", "9", -1},  // start type text: no numeric rule
  };
  for (const CompareCase& c : cases) {
    EXPECT_EQ(c.expected, Sign(ServiceSort::CompareCells(c.column, c.a, c.b))) << c.column << " " << c.a << " " << c.b;
  }
}

TEST(ServiceSortRules, DescendingNegatesAndNoColumnKeepsTheOrder) {
  EXPECT_EQ(-1, Sign(ServiceSort::CompareRows(ServiceRow::kProcessId, true, "9", "10")));
  EXPECT_EQ(1, Sign(ServiceSort::CompareRows(ServiceRow::kProcessId, false, "9", "10")));
  EXPECT_EQ(0, ServiceSort::CompareRows(ServiceSort::kNoColumn, true, "a", "b"));
  EXPECT_EQ(0, ServiceSort::CompareRows(ServiceSort::kNoColumn, false, "b", "a"));
}

// Rows of name, display name and description; the list keeps them by name.
class ServiceFindRules : public ::testing::Test {
 protected:
  void SetUp() override {
    Add("alpha", "First Service", "writes logs");
    Add("beta", "Second", "LOG keeper");
    Add("gamma", "log", "");
    Add("delta", Cp936("打印服务"), Cp936("管理打印"));
  }
  void Add(const std::string& name, const std::string& display, const std::string& description) {
    int row = list.InsertRow(name);
    list.SetCell(row, ServiceRow::kDisplayName, display);
    list.SetCell(row, ServiceRow::kDescription, description);
  }
  std::optional<ServiceFind::CellPosition> Find(const std::string& text, DWORD flags, ServiceFind::CellPosition from) {
    return ServiceFind::FindNext(list, ServiceRow::kFixedColumnCount, text, flags, from);
  }
  std::string NameAt(int row) const { return list.GetCell(row, ServiceRow::kName); }

  FakeServiceList list;  // rows: alpha, beta, delta, gamma
};

TEST_F(ServiceFindRules, DownFromNowhereStartsAtTheFirstRowAndMovesOnARowAtATime) {
  auto found = Find("LOG", FR_DOWN, {-1, -1});
  ASSERT_TRUE(found);
  EXPECT_EQ("alpha", NameAt(found->row));
  EXPECT_EQ(ServiceRow::kDescription, found->column);

  // The next search continues on the next row, not in a later column of the same row.
  found = Find("LOG", FR_DOWN, *found);
  ASSERT_TRUE(found);
  EXPECT_EQ("beta", NameAt(found->row));
  found = Find("LOG", FR_DOWN, *found);
  ASSERT_TRUE(found);
  EXPECT_EQ("gamma", NameAt(found->row));
  EXPECT_EQ(ServiceRow::kDisplayName, found->column);
  // The rows run out: no wrapping around.
  EXPECT_FALSE(Find("LOG", FR_DOWN, *found));
}

TEST_F(ServiceFindRules, ASelectedRowIsSearchedItselfAndUpGoesBackwards) {
  int beta = list.RowOf("beta");
  auto found = Find("log", FR_DOWN, {beta, -1});
  ASSERT_TRUE(found);
  EXPECT_EQ(beta, found->row);

  found = Find("log", 0, {list.RowOf("gamma"), 1});
  ASSERT_TRUE(found);
  EXPECT_EQ("beta", NameAt(found->row));
  // Searching up from nowhere reports completion at once.
  EXPECT_FALSE(Find("log", 0, {-1, -1}));
}

TEST_F(ServiceFindRules, MatchCaseAndWholeWord) {
  auto found = Find("LOG", FR_DOWN | FR_MATCHCASE, {-1, -1});
  ASSERT_TRUE(found);
  EXPECT_EQ("beta", NameAt(found->row));

  found = Find("Log", FR_DOWN | FR_WHOLEWORD, {-1, -1});
  ASSERT_TRUE(found);
  EXPECT_EQ("gamma", NameAt(found->row));  // the cell "log" as a whole
  EXPECT_FALSE(Find("Log", FR_DOWN | FR_WHOLEWORD | FR_MATCHCASE, {-1, -1}));
  EXPECT_FALSE(Find("nothing", FR_DOWN, {-1, -1}));
}

TEST_F(ServiceFindRules, ChineseTextMatchesWholeCharactersOnly) {
  auto found = Find(Cp936("打印"), FR_DOWN, {-1, -1});
  ASSERT_TRUE(found);
  EXPECT_EQ("delta", NameAt(found->row));
  EXPECT_EQ(ServiceRow::kDisplayName, found->column);
  // "印服" spans two characters of "打印服务" at a character boundary: it matches; the
  // trail byte of 打 followed by the lead byte of 印 is no character and does not.
  EXPECT_TRUE(Find(Cp936("印服"), FR_DOWN, {-1, -1}));
  std::string straddle = Cp936("打印").substr(1, 2);
  EXPECT_FALSE(Find(straddle, FR_DOWN, {-1, -1}));
}

class ContextMenuRulesTest : public ::testing::Test {
 protected:
  int AddRow(const std::string& name, const std::string& display, const std::string& description,
             const std::string& path) {
    int row = list.InsertRow(name);
    list.SetCell(row, ServiceRow::kDisplayName, display);
    list.SetCell(row, ServiceRow::kDescription, description);
    list.SetCell(row, ServiceRow::kBinaryPath, path);
    return row;
  }
  void Select(std::initializer_list<std::string> names) {
    for (const std::string& name : names) list.SetSelected(list.RowOf(name), true);
  }
  static bool Has(const std::vector<UINT>& ids, UINT id) { return std::count(ids.begin(), ids.end(), id) == 1; }

  FakeServiceList list;
  ContextMenuRules::Situation local{SERVICE_WIN32, true, 0};
};

TEST_F(ContextMenuRulesTest, NoSelectionShowsNothing) {
  AddRow("svc", "Service", "text", "C:\\svc.exe");
  EXPECT_FALSE(ContextMenuRules::PlanMenu(list, local, {}).show);
}

TEST_F(ContextMenuRulesTest, OneApplicationServiceLosesDriverStartTypesAndEmptyCopies) {
  AddRow("svc", "Service", "", "C:\\svc.exe");
  Select({"svc"});
  auto plan = ContextMenuRules::PlanMenu(list, local, {});
  ASSERT_TRUE(plan.show);
  const std::vector<UINT> removed = {ID_START_BOOT,   ID_START_SYSTEM,          ID_COPY_DESCRIPTION,
                                     ID_COPY_COMPANY, ID_COPY_FILE_DESCRIPTION, ID_COPY_FILE_VERSION};
  EXPECT_EQ(removed, plan.removeCommands);
  EXPECT_FALSE(plan.removeCopyPopup);
  EXPECT_TRUE(plan.grayCommands.empty());
  EXPECT_TRUE(plan.dependencyCaptions.empty());

  // Drivers keep every start type; shown file-information columns keep their copies
  // when the cells have text.
  list.SetCell(0, 8, "Corvel");
  auto drivers = ContextMenuRules::PlanMenu(list, {SERVICE_DRIVER, true, 8}, {});
  EXPECT_EQ((std::vector<UINT>{ID_COPY_DESCRIPTION, ID_COPY_FILE_DESCRIPTION, ID_COPY_FILE_VERSION}),
            drivers.removeCommands);
}

TEST_F(ContextMenuRulesTest, SeveralRowsHaveNoCopyOrDependencyPopup) {
  AddRow("a", "A", "x", "");
  AddRow("b", "B", "y", "");
  Select({"a", "b"});
  auto plan = ContextMenuRules::PlanMenu(list, local, {"a"});
  EXPECT_TRUE(plan.removeCopyPopup);
  EXPECT_EQ((std::vector<UINT>{ID_START_BOOT, ID_START_SYSTEM}), plan.removeCommands);
  EXPECT_TRUE(plan.dependencyCaptions.empty());
  // Neither row has a file path: "show the file" is grayed.
  EXPECT_EQ((std::vector<UINT>{ID_SHOW_FILE}), plan.grayCommands);

  list.SetCell(list.RowOf("b"), ServiceRow::kBinaryPath, "C:\\b.exe");
  EXPECT_TRUE(ContextMenuRules::PlanMenu(list, local, {}).grayCommands.empty());
}

TEST_F(ContextMenuRulesTest, RemoteConnectionGraysExplorerAndRegistry) {
  AddRow("svc", "Service", "text", "");
  Select({"svc"});
  auto plan = ContextMenuRules::PlanMenu(list, {SERVICE_WIN32, false, 0}, {});
  EXPECT_EQ(2u, plan.grayCommands.size());
  EXPECT_TRUE(Has(plan.grayCommands, ID_SHOW_FILE));
  EXPECT_TRUE(Has(plan.grayCommands, ID_SHOW_REGISTRY));
}

TEST_F(ContextMenuRulesTest, DependenciesAreCaptionedByDisplayName) {
  AddRow("svc", "Service", "text", "C:\\svc.exe");
  AddRow("RpcSs", Cp936("远程过程调用"), "", "");
  Select({"svc"});
  auto plan = ContextMenuRules::PlanMenu(list, local, {"rpcss", "+NetworkGroup", "missing"});
  EXPECT_EQ((std::vector<std::string>{Cp936("远程过程调用"), "+NetworkGroup", "missing"}), plan.dependencyCaptions);
  EXPECT_EQ((std::vector<std::string>{"rpcss", "+NetworkGroup", "missing"}), plan.dependencies);
  EXPECT_EQ(list.RowOf("RpcSs"), ContextMenuRules::RowOfService(list, "RPCSS"));
  EXPECT_EQ(-1, ContextMenuRules::RowOfService(list, "missing"));

  // The popup's ids end at 2100.
  std::vector<std::string> many(150, "missing");
  EXPECT_EQ(static_cast<size_t>(ID_DEPENDENCY_LAST - ID_DEPENDENCY_FIRST + 1),
            ContextMenuRules::PlanMenu(list, local, many).dependencyCaptions.size());
}

TEST(ContextMenuCopy, CommandsCopyTheirColumns) {
  const std::pair<UINT, int> cases[] = {
      {ID_COPY_NAME, 0},    {ID_COPY_DISPLAY_NAME, 1},     {ID_COPY_DESCRIPTION, 6},   {ID_COPY_PATH, 7},
      {ID_COPY_COMPANY, 8}, {ID_COPY_FILE_DESCRIPTION, 9}, {ID_COPY_FILE_VERSION, 10}, {ID_SERVICE_START, -1}};
  for (auto [command, column] : cases) EXPECT_EQ(column, ContextMenuRules::CopyColumn(command, 8)) << command;
}

}  // namespace
