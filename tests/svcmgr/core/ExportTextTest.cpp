// The exported list as exact bytes, and the name of the export file.
#include <gtest/gtest.h>

#include "TestText.h"
#include "core/ExportText.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(ExportText, EmptyListIsTheHeaderLineWithoutLineBreak) {
  // Each width: header length + 6; the last column is not padded.
  EXPECT_EQ("Name      Type", ExportText::Build({"Name", "Type"}, {}));
  EXPECT_EQ("", ExportText::Build({}, {}));
}

TEST(ExportText, ColumnsArePaddedToTheLongestCellPlusSeven) {
  Rows rows = {{"abcdefgh", "x", "last"}, {"a", "yy", "z"}};
  // Column 0: max(4, 8 + 1) + 6 = 15; column 1: max(2, 3) + 6 = 9.
  std::string expected =
      "Name           Ty       End\r\n"
      "abcdefgh       x        last\r\n"
      "a              yy       z";
  EXPECT_EQ(expected, ExportText::Build({"Name", "Ty", "End"}, rows));
}

TEST(ExportText, DoubleByteCharactersCountTwoBytes) {
  std::string name = Cp936("名称");  // 4 bytes
  std::string cell = Cp936("服务");  // 4 bytes
  // Width: max(4, 5) + 6 = 11 bytes.
  std::string expected = name + std::string(7, ' ') + "P\r\n" + cell + std::string(7, ' ') + "p";
  EXPECT_EQ(expected, ExportText::Build({name, "P"}, {{cell, "p"}}));
}

TEST(ExportText, TrailingLineBreaksOfCellsAreStripped) {
  Rows rows = {{"a\r\n", "text\r\n\r\n"}, {"b\n", "mid\r\ndle\n"}};
  // The width still counts the cell as read: max(1, 3 + 1) + 6 = 10.
  std::string expected =
      "H         D\r\n"
      "a         text\r\n"
      "b         mid\r\ndle";
  EXPECT_EQ(expected, ExportText::Build({"H", "D"}, rows));
}

TEST(ExportText, AtMostTwentyColumnsAndMissingCellsAreEmpty) {
  std::vector<std::string> headers;
  std::vector<std::string> cells;
  for (int i = 0; i < 22; ++i) {
    headers.push_back("h" + std::to_string(i));
    cells.push_back("c" + std::to_string(i));
  }
  std::string text = ExportText::Build(headers, {cells, {"only"}});
  EXPECT_NE(std::string::npos, text.find("h19"));
  EXPECT_EQ(std::string::npos, text.find("h20"));
  EXPECT_EQ(std::string::npos, text.find("c20"));
  // The second row's missing cells are padded like empty ones; only the last column,
  // unpadded, makes the header line ("h19") longer.
  size_t second = text.rfind("\r\n");
  ASSERT_NE(std::string::npos, second);
  EXPECT_EQ("only", text.substr(second + 2, 4));
  EXPECT_EQ(text.find("\r\n"), text.size() - second - 2 + 3);
}

TEST(ExportText, CellsAreTakenWithAtMost1023Bytes) {
  std::string longCell(2000, 'x');
  std::string text = ExportText::Build({"A", "B"}, {{longCell, "b"}});
  // Width 1023 + 1 + 6; the cell is cut to 1023 bytes.
  EXPECT_EQ(std::string(1023, 'x') + std::string(7, ' ') + "b", text.substr(text.find("\r\n") + 2));
}

TEST(ExportText, TextFilterAppendsTxtUnlessTheNameEndsInIt) {
  EXPECT_EQ("list.txt", ExportText::WithTextExtension("list", true));
  EXPECT_EQ("list.TXT", ExportText::WithTextExtension("list.TXT", true));
  EXPECT_EQ("list.Txt", ExportText::WithTextExtension("list.Txt", true));
  EXPECT_EQ(".txt.txt", ExportText::WithTextExtension(".txt", true));  // 4 bytes or fewer
  EXPECT_EQ("a.txt", ExportText::WithTextExtension("a.txt", true));
  EXPECT_EQ("list.csv.txt", ExportText::WithTextExtension("list.csv", true));
  // The all-files filter never appends.
  EXPECT_EQ("list", ExportText::WithTextExtension("list", false));
  EXPECT_EQ("list.csv", ExportText::WithTextExtension("list.csv", false));
}

}  // namespace
