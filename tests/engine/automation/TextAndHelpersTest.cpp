// Text conversion, key comparison and time helpers.
#include <gtest/gtest.h>

#include <ctime>

#include "automation/Clock.h"
#include "automation/ScopedBstr.h"
#include "automation/ScopedHandle.h"
#include "automation/TextConversion.h"
#include "automation/YMutex.h"

namespace {

TEST(TextConversion, RoundTripsInTheNamedCodePages) {
  const std::wstring chinese = L"\u4e2d\u6587";
  EXPECT_EQ("\xd6\xd0\xce\xc4", WideToNarrow(chinese, 936));
  EXPECT_EQ("\xe4\xb8\xad\xe6\x96\x87", WideToNarrow(chinese, 65001));
  EXPECT_EQ(chinese, NarrowToWide("\xd6\xd0\xce\xc4", 936));
  EXPECT_EQ(chinese, NarrowToWide("\xe4\xb8\xad\xe6\x96\x87", CP_UTF8));
  // The test run's system and thread code page is 936.
  EXPECT_EQ(936u, GetACP());
  EXPECT_EQ("\xd6\xd0\xce\xc4", WideToNarrow(chinese, 0));
  EXPECT_EQ("\xd6\xd0\xce\xc4", WideToNarrow(chinese, CP_THREAD_ACP));
  EXPECT_EQ("", WideToNarrow(L"", 936));
  EXPECT_EQ(L"", NarrowToWide("", 936));
  // Embedded NULs are text like any other.
  EXPECT_EQ(std::string("a\0b", 3), WideToNarrow(std::wstring(L"a\0b", 3), 936));
}

TEST(TextConversion, BstrHelpersKeepLengthAndTreatNullAsEmpty) {
  ScopedBstr bstr = ScopedBstr::Adopt(NarrowToBstr("\xd6\xd0x", 936));
  EXPECT_EQ(2u, bstr.Length());
  EXPECT_EQ(L"\u4e2dx", bstr.View());
  EXPECT_EQ("\xd6\xd0x", BstrToNarrow(bstr.Get(), 936));
  EXPECT_EQ("", BstrToNarrow(nullptr, 936));
}

TEST(KeyComparison, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(0, CompareAsciiNoCase("Key", "kEY"));
  // "_" (0x5F) sorts before the letters once B is compared as b.
  EXPECT_LT(CompareAsciiNoCase("_", "a"), 0);
  EXPECT_LT(CompareAsciiNoCase("a", "B"), 0);
  EXPECT_LT(CompareAsciiNoCase("ab", "abc"), 0);
  // Bytes from 128 up compare as they are, unsigned, never folded.
  EXPECT_NE(0, CompareAsciiNoCase("\xc0", "\xe0"));
  EXPECT_GT(CompareAsciiNoCase("\x80", "z"), 0);
  EXPECT_TRUE(EqualsAsciiNoCase(std::wstring_view(L"NewEnum"), "newenum"));
  EXPECT_FALSE(EqualsAsciiNoCase(std::wstring_view(L"NewEnu"), "newenum"));
}

TEST(Clock, SecondsSince1970MatchTheCRuntime) {
  int64_t ours = SecondsSince1970();
  int64_t theirs = static_cast<int64_t>(std::time(nullptr));
  EXPECT_LE(std::llabs(ours - theirs), 2);
  FILETIME epoch{0xD53E8000u, 0x019DB1DEu};  // 1970-01-01 00:00:00 UTC
  EXPECT_EQ(0, FileTimeToSeconds(epoch));
}

TEST(ScopedHandle, ClosesWhatItOwnsAndTreatsInvalidAsNone) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  {
    ScopedHandle owned(event);
    EXPECT_TRUE(owned.IsValid());
  }
  EXPECT_FALSE(SetEvent(event));  // closed
  ScopedHandle invalid(INVALID_HANDLE_VALUE);
  EXPECT_FALSE(invalid.IsValid());
}

TEST(YMutex, IsRecursiveForItsOwnerAndExcludesOthers) {
  YMutex mutex;
  mutex.Lock();
  mutex.Lock();  // the owner may take it again
  struct Probe {
    YMutex* mutex;
    volatile LONG entered = 0;
  } probe{&mutex};
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        auto* probe = static_cast<Probe*>(p);
        YMutexLock lock(*probe->mutex);
        InterlockedExchange(&probe->entered, 1);
        return 0;
      },
      &probe, 0, nullptr);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread, 100));
  EXPECT_EQ(0, probe.entered);
  mutex.Unlock();
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread, 100));  // still held once
  mutex.Unlock();
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
  EXPECT_EQ(1, probe.entered);
  CloseHandle(thread);
}

}  // namespace
