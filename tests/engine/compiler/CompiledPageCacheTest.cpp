// Compiled pages kept between requests: edits, deletions and renames are seen by the
// next compile, what a compile does to its context happens on every request, the
// cache's size limit holds, and threads sharing the kept pages never see stale ones.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "TestAspContext.h"
#include "compiler/YCompiledPageCache.h"
#include "support/TestPageFiles.h"

namespace {

// Writes a file and dates it ageSeconds back, past the cache's settling time; each edit
// of a test takes another age, so that its stamp differs whatever the size.
std::string WriteAged(TestPageFiles& files, const std::string& relative, std::string_view text, int ageSeconds) {
  std::string path = files.Write(relative, text);
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
  time.QuadPart -= static_cast<uint64_t>(ageSeconds) * 10000000ull;
  FILETIME aged{time.LowPart, time.HighPart};
  SetFileTime(file, nullptr, nullptr, &aged);
  CloseHandle(file);
  return path;
}

// One request's compile and run of a page: what it wrote, and whether the compile
// asked the context to map an include (a kept page maps nothing).
struct Served {
  bool ok = false;
  std::string output;  // literal text, or what the scripts wrote
  std::string error;
  bool mappedIncludes = false;
  std::vector<std::string> objects;
  int codePage = 0;
};

Served Serve(const std::string& root, const std::string& path) {
  TestAspContext context(root);
  CAspParser page;
  context.Attach(&page);
  Served served;
  served.ok = page.CompileFile("/page.asp", path.c_str()) && page.Run();
  served.output = context.literal + context.output();
  served.error = page.ErrorText();
  served.mappedIncludes = !context.mappedUrls.empty();
  served.objects = context.addedObjects;
  served.codePage = context.GetCodePage();
  return served;
}

class CompiledPageCacheTest : public testing::Test {
 protected:
  void SetUp() override { YCompiledPageCache::Instance().Clear(); }
  TestPageFiles files_;
};

TEST_F(CompiledPageCacheTest, EditsOfThePageAndItsIncludesAreSeenByTheNextRequest) {
  WriteAged(files_, "inc.inc", "<% Response.Write \"inc1\" %>", 100);
  std::string page = WriteAged(files_, "page.asp", "<p><!--#include file=\"inc.inc\"--></p>", 100);
  Served first = Serve(files_.root(), page);
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_EQ("<p>inc1</p>", first.output);
  EXPECT_TRUE(first.mappedIncludes);

  Served kept = Serve(files_.root(), page);
  ASSERT_TRUE(kept.ok) << kept.error;
  EXPECT_EQ("<p>inc1</p>", kept.output);
  EXPECT_FALSE(kept.mappedIncludes);  // nothing compiled: the kept page ran
  EXPECT_EQ(1u, YCompiledPageCache::Instance().size());

  WriteAged(files_, "inc.inc", "<% Response.Write \"inc2\" %>", 90);  // same size, later time
  EXPECT_EQ("<p>inc2</p>", Serve(files_.root(), page).output);
  WriteAged(files_, "page.asp", "<b><!--#include file=\"inc.inc\"--></b>", 80);
  EXPECT_EQ("<b>inc2</b>", Serve(files_.root(), page).output);
  EXPECT_EQ("<b>inc2</b>", Serve(files_.root(), page).output);
}

TEST_F(CompiledPageCacheTest, ADeletedPageOrARenamedIncludeFailsAsWithoutTheCache) {
  std::string include = WriteAged(files_, "inc.inc", "inc", 100);
  std::string page = WriteAged(files_, "page.asp", "a<!--#include file=\"inc.inc\"-->b", 100);
  ASSERT_EQ("aincb", Serve(files_.root(), page).output);
  ASSERT_EQ("aincb", Serve(files_.root(), page).output);
  ASSERT_EQ(1u, YCompiledPageCache::Instance().size());

  ASSERT_TRUE(MoveFileA(include.c_str(), (files_.root() + "\\renamed.inc").c_str()));
  Served missingInclude = Serve(files_.root(), page);
  EXPECT_FALSE(missingInclude.ok);
  EXPECT_TRUE(missingInclude.mappedIncludes);  // compiled again, and the include is missing
  std::string uncached = missingInclude.error;
  YCompiledPageCache::Instance().Clear();
  EXPECT_EQ(uncached, Serve(files_.root(), page).error);
  EXPECT_FALSE(uncached.empty());

  ASSERT_TRUE(DeleteFileA(page.c_str()));
  Served missingPage = Serve(files_.root(), page);
  EXPECT_FALSE(missingPage.ok);
  EXPECT_EQ(0u, YCompiledPageCache::Instance().size());  // failed compiles are not kept
}

TEST_F(CompiledPageCacheTest, ObjectsAndCodePagesReachTheContextOnEveryRequest) {
  // A UTF-8 mark sets the code page; each object element is handed to the context.
  std::string page = WriteAged(files_, "page.asp",
                               "\xEF\xBB\xBF<object runat=server id=shared scope=application "
                               "classid=\"{EE09B103-97E0-11CF-978F-00A02463E06F}\"></object>"
                               "<object runat=server id=mine scope=session "
                               "classid=\"{EE09B103-97E0-11CF-978F-00A02463E06F}\"></object>x",
                               100);
  for (int request = 0; request < 3; ++request) {
    Served served = Serve(files_.root(), page);
    ASSERT_TRUE(served.ok) << served.error;
    EXPECT_EQ("x", served.output);
    EXPECT_EQ(std::vector<std::string>({"shared|application", "mine|session"}), served.objects) << request;
    EXPECT_EQ(65001, served.codePage) << request;
  }
  EXPECT_EQ(1u, YCompiledPageCache::Instance().size());
}

TEST_F(CompiledPageCacheTest, RecentlyWrittenFilesAreNotKeptAndTheLimitEvictsTheLeastRecentlyUsed) {
  std::string fresh = files_.Write("fresh.asp", "fresh");
  EXPECT_EQ("fresh", Serve(files_.root(), fresh).output);
  EXPECT_EQ(0u, YCompiledPageCache::Instance().size());  // written just now: not settled

  auto pageOf = [&](const std::string& name) {
    auto page = std::make_shared<YCompiledPage>();
    std::string path = WriteAged(files_, name, "x", 100);
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes);
    page->files.push_back(YFileStamp::From(path, attributes));
    page->htmlBlocks.push_back({0, 0, 0, std::string(1000, 'x')});
    page->CountBytes();
    return page;
  };
  auto a = pageOf("a.asp"), b = pageOf("b.asp"), c = pageOf("c.asp");
  YCompiledPageCache cache(a->bytes + b->bytes + c->bytes - 1);  // room for two of them
  cache.Store("a", a);
  cache.Store("b", b);
  EXPECT_EQ(a, cache.Find("a"));  // a is now the most recently used
  cache.Store("c", c);
  EXPECT_EQ(2u, cache.size());
  EXPECT_EQ(nullptr, cache.Find("b"));
  EXPECT_EQ(a, cache.Find("a"));
  EXPECT_EQ(c, cache.Find("c"));
  EXPECT_EQ(a->bytes + c->bytes, cache.bytes());

  YCompiledPageCache tiny(a->bytes - 1);  // a page over the whole limit is never kept
  tiny.Store("a", a);
  EXPECT_EQ(0u, tiny.size());
}

TEST_F(CompiledPageCacheTest, EightThreadsOnFiftyPagesSeeEveryEditAndNoMix) {
  constexpr int kPages = 50, kThreads = 8, kRounds = 4;
  std::vector<std::string> paths(kPages);
  std::vector<int> pageVersions(kPages, 0), includeVersions(kPages, 0);
  // Page and include carry their versions; each write dates its file later than the last.
  auto writeInclude = [&](int i) {
    WriteAged(files_, "inc" + std::to_string(i) + ".inc", "i" + std::to_string(includeVersions[i]),
              1000 - includeVersions[i] * 10);
  };
  auto writePage = [&](int i) {
    std::string n = std::to_string(i);
    paths[i] = WriteAged(files_, "page" + n + ".asp",
                         "p" + std::to_string(pageVersions[i]) + ":<!--#include file=\"inc" + n + ".inc\"-->",
                         1000 - pageVersions[i] * 10);
  };
  for (int i = 0; i < kPages; ++i) {
    writeInclude(i);
    writePage(i);
  }
  for (int round = 0; round < kRounds; ++round) {
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (int k = 0; k < kPages; ++k) {
          int i = (k + t * 7) % kPages;
          std::string expected = "p" + std::to_string(pageVersions[i]) + ":i" + std::to_string(includeVersions[i]);
          if (Serve(files_.root(), paths[i]).output != expected) ++wrong;
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(0, wrong.load()) << "round " << round;
    EXPECT_EQ(static_cast<size_t>(kPages), YCompiledPageCache::Instance().size());
    // Between rounds a third of the pages change: in turn the page, its include, or both.
    for (int i = round % 3; i < kPages; i += 3) {
      int what = (i + round) % 3;
      if (what != 1) ++pageVersions[i], writePage(i);
      if (what != 0) ++includeVersions[i], writeInclude(i);
    }
  }
}

}  // namespace
