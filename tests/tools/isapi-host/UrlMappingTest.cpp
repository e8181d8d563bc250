// URL decoding, normalisation, handler choice and application mapping.
#include <gtest/gtest.h>

#include "UrlMapping.h"

namespace {

TEST(UrlMapping, DecodesEscapesAndRefusesBrokenOnes) {
  const std::tuple<const char*, int, const char*> cases[] = {
      {"/a%20b", 0, "/a b"},
      {"/%41%6a", 0, "/Aj"},
      {"/%2e%2E", 0, "/.."},
      {"/%2f", 0, "//"},
      {"/%e4%b8%ad", 0, "/\xe4\xb8\xad"},
      {"/a+b", 0, "/a+b"},
      {"/%", 400, ""},
      {"/%4", 400, ""},
      {"/%zz", 400, ""},
      {"/%00", 400, ""},
      {"/%0a", 400, ""},
      {"/%7f", 400, ""},
  };
  for (const auto& [raw, status, decoded] : cases) {
    std::string out;
    EXPECT_EQ(status, DecodeUrlPath(raw, &out)) << raw;
    if (status == 0) {
      EXPECT_EQ(decoded, out) << raw;
    }
  }
}

TEST(UrlMapping, NormalisesSegmentsAndRefusesEscapesAndAliases) {
  const std::tuple<const char*, int, const char*> cases[] = {
      {"/", 0, "/"},
      {"/a/b", 0, "/a/b"},
      {"/a/b/", 0, "/a/b/"},
      {"//a///b", 0, "/a/b"},
      {"/a/./b/.", 0, "/a/b/"},
      {"/a/../b", 0, "/b"},
      {"/a/..", 0, "/"},
      {"/a\\b", 0, "/a/b"},
      {"/..", 403, ""},
      {"/../a", 403, ""},
      {"/a/../../b", 403, ""},
      {"/a\\..\\..\\b", 403, ""},
      {"/page.asp.", 404, ""},
      {"/page.asp ", 404, ""},
      {"/page.asp::$DATA", 404, ""},
      {"/C:/windows", 404, ""},
      {"/a*b", 404, ""},
      {"/a|b", 404, ""},
  };
  for (const auto& [decoded, status, normalized] : cases) {
    std::string out;
    EXPECT_EQ(status, NormalizeUrlPath(decoded, &out)) << decoded;
    if (status == 0) {
      EXPECT_EQ(normalized, out) << decoded;
    }
  }
}

TEST(UrlMapping, ClassifiesFilesByTheirEnding) {
  const std::pair<const char*, FileHandling> cases[] = {
      {"page.asp", FileHandling::kExtension}, {"PAGE.ASP", FileHandling::kExtension},
      {"a.Asp", FileHandling::kExtension},    {"global.asa", FileHandling::kHidden},
      {"GLOBAL.ASA", FileHandling::kHidden},  {"x.asa", FileHandling::kHidden},
      {"lib.inc", FileHandling::kHidden},     {"LIB.INC", FileHandling::kHidden},
      {"page.aspx", FileHandling::kStatic},   {"asp", FileHandling::kStatic},
      {"index.html", FileHandling::kStatic},  {"page.asp.txt", FileHandling::kStatic},
  };
  for (const auto& [name, handling] : cases) EXPECT_EQ(handling, ClassifyFile(name)) << name;
}

TEST(UrlMapping, MapsToTheLongestMatchingApplication) {
  std::vector<Application> apps = {{"/", "C:\\site"}, {"/app", "D:\\app"}, {"/app/deep", "E:\\deep"}};
  const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
      // target, path, query, application root, physical path
      {"/", "/", "", "C:\\site", "C:\\site\\"},
      {"/x/y.asp?a=1&b=%20", "/x/y.asp", "a=1&b=%20", "C:\\site", "C:\\site\\x\\y.asp"},
      {"/app", "/app", "", "D:\\app", "D:\\app"},
      {"/app/", "/app/", "", "D:\\app", "D:\\app\\"},
      {"/APP/p.asp", "/APP/p.asp", "", "C:\\site", "C:\\site\\APP\\p.asp"},
      {"/apple/p.asp", "/apple/p.asp", "", "C:\\site", "C:\\site\\apple\\p.asp"},
      {"/app/deep/p.asp?", "/app/deep/p.asp", "", "E:\\deep", "E:\\deep\\p.asp"},
      {"/app/x/../deep/p.asp", "/app/deep/p.asp", "", "E:\\deep", "E:\\deep\\p.asp"},
      {"/a%20b/c%2fd", "/a b/c/d", "", "C:\\site", "C:\\site\\a b\\c\\d"},
  };
  for (const auto& [target, path, query, root, physical] : cases) {
    MappedUrl mapped = MapUrl(target, apps);
    ASSERT_EQ(0, mapped.status) << target;
    EXPECT_EQ(path, mapped.path) << target;
    EXPECT_EQ(query, mapped.query) << target;
    EXPECT_EQ(root, mapped.app->root) << target;
    EXPECT_EQ(physical, mapped.physical) << target;
  }
  EXPECT_EQ(403, MapUrl("/app/../../x", apps).status);
  EXPECT_EQ(400, MapUrl("/%zz", apps).status);
  EXPECT_EQ(400, MapUrl("%2fx", apps).status);
  EXPECT_EQ(404, MapUrl("/x", {{"/only", "C:\\only"}}).status);
}

TEST(UrlMapping, DefaultDocumentsAreTriedInOrder) {
  std::vector<std::string> asked;
  auto probe = [&](const std::vector<std::string>& present) {
    asked.clear();
    return FindDefaultDocument("C:\\dir", [&](const std::string& path) {
      asked.push_back(path);
      for (const std::string& name : present)
        if (path == "C:\\dir\\" + name) return true;
      return false;
    });
  };
  EXPECT_EQ("default.asp", probe({"default.asp", "index.asp", "index.html"}));
  EXPECT_EQ("index.asp", probe({"index.asp", "index.html"}));
  EXPECT_EQ("index.html", probe({"index.html"}));
  EXPECT_EQ("", probe({"default.htm"}));
  EXPECT_EQ((std::vector<std::string>{"C:\\dir\\default.asp", "C:\\dir\\index.asp", "C:\\dir\\index.html"}), asked);
  EXPECT_EQ("C:\\dir\\", WithTrailingBackslash("C:\\dir"));
  EXPECT_EQ("C:\\dir\\", WithTrailingBackslash("C:\\dir\\"));
}

}  // namespace
