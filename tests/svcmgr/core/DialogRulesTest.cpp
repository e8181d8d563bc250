// The create dialog's radio buttons and field checks, without the dialog.
#include <gtest/gtest.h>

#include <set>

#include "core/DialogRules.h"

namespace {

TEST(DialogRules, ServiceTypeRadios) {
  EXPECT_EQ(16u, DialogRules::ServiceTypeOfRadio(1003));
  EXPECT_EQ(32u, DialogRules::ServiceTypeOfRadio(1004));
  EXPECT_EQ(1u, DialogRules::ServiceTypeOfRadio(1005));
  EXPECT_EQ(2u, DialogRules::ServiceTypeOfRadio(1006));
  EXPECT_EQ(16u, DialogRules::ServiceTypeOfRadio(0));  // none checked
}

TEST(DialogRules, StartTypeRadios) {
  EXPECT_EQ(2u, DialogRules::StartTypeOfRadio(1007));
  EXPECT_EQ(0u, DialogRules::StartTypeOfRadio(1008));
  EXPECT_EQ(3u, DialogRules::StartTypeOfRadio(1009));
  EXPECT_EQ(4u, DialogRules::StartTypeOfRadio(1010));
  EXPECT_EQ(1u, DialogRules::StartTypeOfRadio(1011));
  EXPECT_EQ(3u, DialogRules::StartTypeOfRadio(0));  // none checked
}

TEST(DialogRules, FirstCheckedRadioOfAGroup) {
  std::set<int> checked = {1005, 1006};
  auto isChecked = [&](int id) { return checked.count(id) != 0; };
  EXPECT_EQ(1005, DialogRules::FirstChecked(1003, 1006, isChecked));
  EXPECT_EQ(0, DialogRules::FirstChecked(1007, 1011, isChecked));
}

TEST(DialogRules, ApplicationServicesMoveBootAndSystemStartToAutomatic) {
  EXPECT_TRUE(DialogRules::IsApplicationServiceRadio(1003));
  EXPECT_TRUE(DialogRules::IsApplicationServiceRadio(1004));
  EXPECT_FALSE(DialogRules::IsApplicationServiceRadio(1005));
  EXPECT_FALSE(DialogRules::IsApplicationServiceRadio(1006));
  EXPECT_EQ(1007, DialogRules::StartRadioForApplicationService(1008));
  EXPECT_EQ(1007, DialogRules::StartRadioForApplicationService(1011));
  for (int kept : {1007, 1009, 1010, 0}) EXPECT_EQ(kept, DialogRules::StartRadioForApplicationService(kept));
}

TEST(DialogRules, CreateFieldsAreCheckedInOrder) {
  using DialogRules::CreateProblem;
  EXPECT_EQ(CreateProblem::kNoServiceName, DialogRules::FirstCreateProblem("", "", ""));
  EXPECT_EQ(CreateProblem::kNoDisplayName, DialogRules::FirstCreateProblem("n", "", ""));
  EXPECT_EQ(CreateProblem::kNoBinaryPath, DialogRules::FirstCreateProblem("n", "d", ""));
  EXPECT_EQ(CreateProblem::kNone, DialogRules::FirstCreateProblem("n", "d", "p"));
  // Taken as typed: blanks are values.
  EXPECT_EQ(CreateProblem::kNone, DialogRules::FirstCreateProblem(" ", " ", " "));
}

}  // namespace
