// The service row's texts and the text rules under them.
#include <gtest/gtest.h>

#include <algorithm>

#include "ServiceTestFixture.h"
#include "core/ErrorText.h"
#include "core/ServiceRow.h"
#include "core/TextRules.h"

namespace {

struct TextCase {
  DWORD value;
  const char* text;  // UTF-8; compared as code page 936 bytes
};

TEST(ServiceRowTexts, TypeTextClearsTheInteractiveBitFirst) {
  const TextCase cases[] = {
      {SERVICE_KERNEL_DRIVER, "设备驱动"},
      {SERVICE_FILE_SYSTEM_DRIVER, "文件系统驱动"},
      {SERVICE_WIN32_OWN_PROCESS, "独立进程服务"},
      {SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS, "独立进程服务"},
      {SERVICE_WIN32_SHARE_PROCESS, "共享进程服务"},
      {SERVICE_WIN32_SHARE_PROCESS | SERVICE_INTERACTIVE_PROCESS, "共享进程服务"},
      {SERVICE_ADAPTER, "未知"},
      {SERVICE_RECOGNIZER_DRIVER, "未知"},
      {SERVICE_WIN32, "未知"},
      {SERVICE_INTERACTIVE_PROCESS, "未知"},
      {0, "未知"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(Cp936(c.text), ServiceRow::TypeText(c.value)) << c.value;
}

TEST(ServiceRowTexts, StateTextIsEmptyForStoppedContinuePendingAndUnknown) {
  const TextCase cases[] = {
      {SERVICE_STOPPED, ""},
      {SERVICE_START_PENDING, "正在启动"},
      {SERVICE_STOP_PENDING, "正在停止"},
      {SERVICE_RUNNING, "已启动"},
      {SERVICE_CONTINUE_PENDING, ""},
      {SERVICE_PAUSE_PENDING, "正在暂停"},
      {SERVICE_PAUSED, "暂停"},
      {0, ""},
      {8, ""},
  };
  for (const TextCase& c : cases) EXPECT_EQ(Cp936(c.text), ServiceRow::StateText(c.value)) << c.value;
}

TEST(ServiceRowTexts, StartTypeTexts) {
  const TextCase cases[] = {
      {SERVICE_BOOT_START, "引导启动"},
      {SERVICE_SYSTEM_START, "系统启动"},
      {SERVICE_AUTO_START, "自动启动"},
      {SERVICE_DEMAND_START, "手动启动"},
      {SERVICE_DISABLED, "禁止启动"},
      {5, ""},
      {0xFFFFFFFF, ""},
  };
  for (const TextCase& c : cases) EXPECT_EQ(Cp936(c.text), ServiceRow::StartTypeText(c.value)) << c.value;
}

TEST(ServiceRowTexts, ColumnTitlesByFixedIndex) {
  const char* fixed[] = {"名称", "显示名称", "类型", "状态", "进程ID", "启动类型", "描述", "文件路径"};
  for (int column = 0; column < ServiceRow::kFixedColumnCount; ++column) {
    EXPECT_EQ(Cp936(fixed[column]), ServiceRow::ColumnTitle(column)) << column;
  }
  EXPECT_STREQ("", ServiceRow::ColumnTitle(8));
  EXPECT_STREQ("", ServiceRow::ColumnTitle(-1));
  const char* fileInfo[] = {"制造商", "文件描述", "文件版本"};
  for (int offset = 0; offset < ServiceRow::kFileInfoColumnCount; ++offset) {
    EXPECT_EQ(Cp936(fileInfo[offset]), ServiceRow::FileInfoColumnTitle(offset)) << offset;
  }
  EXPECT_STREQ("", ServiceRow::FileInfoColumnTitle(3));
}

TEST(TextRules, NameEqualityIgnoresAsciiCaseButNeverFoldsATrailByte) {
  EXPECT_TRUE(EqualsNoCaseDbcs("Spooler", "sPOOLER"));
  EXPECT_TRUE(EqualsNoCaseDbcs("", ""));
  EXPECT_FALSE(EqualsNoCaseDbcs("Spooler", "Spooler2"));
  EXPECT_FALSE(EqualsNoCaseDbcs("abc", "abd"));
  EXPECT_TRUE(EqualsNoCaseDbcs(Cp936("服务X"), Cp936("服务x")));
  // 0x81 0x41 and 0x81 0x61 are two different double-byte characters in code page 936.
  EXPECT_FALSE(EqualsNoCaseDbcs("\x81\x41", "\x81\x61"));
  EXPECT_TRUE(
      EqualsNoCaseDbcs("\x81\x41"
                       "A",
                       "\x81\x41"
                       "a"));
}

TEST(TextRules, FormatTextHasNoLengthLimit) {
  std::string longName(10000, 'n');
  std::string text = FormatText("<%s|%d|%lu>", longName.c_str(), -5, 4294967295ul);
  EXPECT_EQ("<" + longName + "|-5|4294967295>", text);
  EXPECT_EQ("", FormatText("%s", ""));
}

TEST(ErrorTextTest, SystemTextInCodePage936AsItComes) {
  for (DWORD code : {5ul, 1053ul, 1060ul}) {
    std::string text = ErrorTextFor(code);
    ASSERT_GE(text.size(), 2u) << code;
    EXPECT_EQ("\r\n", text.substr(text.size() - 2)) << code;
    EXPECT_GT(MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0),
              0);
    EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        << "expected Chinese text for " << code;
  }
  SetLastError(1060);
  EXPECT_EQ(ErrorTextFor(1060), ErrorText());
  EXPECT_EQ("", ErrorTextFor(0x2000FFFF));  // no such message
}

}  // namespace
