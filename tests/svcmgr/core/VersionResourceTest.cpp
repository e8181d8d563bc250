// Version resources read from real files: windres-built test libraries and Wine's own
// registry editor, checked against the system's VerQueryValueA where it answers too.
#include <gtest/gtest.h>

#include "TestText.h"
#include "core/BinaryPath.h"
#include "core/VersionResource.h"

#ifndef VERSION_TWO_DLL
#error VERSION_TWO_DLL names the library with two translations
#endif
#ifndef VERSION_NONE_DLL
#error VERSION_NONE_DLL names the library without a translation table
#endif

namespace {

std::string SystemText(std::vector<BYTE>& block, const char* path) {
  char* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&value), &length) || length == 0) return "<none>";
  return value;
}

TEST(VersionResource, EachKeyTakesTheFirstTranslationThatHasIt) {
  std::vector<BYTE> block = VersionResource::LoadFromFile(VERSION_TWO_DLL);
  ASSERT_FALSE(block.empty());
  VersionResource resource(block.data(), block.size());
  auto translations = resource.Translations();
  ASSERT_EQ(2u, translations.size());
  EXPECT_EQ(0x0804, translations[0].language);
  EXPECT_EQ(936, translations[0].codePage);
  EXPECT_EQ(0x0409, translations[1].language);
  EXPECT_EQ(1200, translations[1].codePage);

  auto cells = resource.FileInfo();
  EXPECT_EQ(Cp936("甲公司"), cells[0]);
  EXPECT_EQ("Second description", cells[1]);  // the first translation has none
  EXPECT_EQ("1.2.3.4", cells[2]);
  // Keys match without regard to case, as the system's lookup does.
  EXPECT_EQ("1.2.3.4", resource.Text("\\stringfileinfo\\040904B0\\fileversion").value_or("<none>"));
  EXPECT_EQ(SystemText(block, "\\StringFileInfo\\080403a8\\CompanyName"),
            resource.Text("\\StringFileInfo\\080403a8\\CompanyName").value_or("<none>"));
  EXPECT_FALSE(resource.Text("\\StringFileInfo\\080403a8\\FileVersion"));
  EXPECT_FALSE(resource.Query("\\NoSuchBlock"));
}

TEST(VersionResource, NoTranslationTableGivesNoValues) {
  std::vector<BYTE> block = VersionResource::LoadFromFile(VERSION_NONE_DLL);
  ASSERT_FALSE(block.empty());
  VersionResource resource(block.data(), block.size());
  EXPECT_TRUE(resource.Translations().empty());
  // The strings are there, but without a table they are not looked up.
  EXPECT_EQ("Untranslated", resource.Text("\\StringFileInfo\\040904b0\\CompanyName").value_or("<none>"));
  auto cells = resource.FileInfo();
  EXPECT_EQ("", cells[0]);
  EXPECT_EQ("", cells[1]);
  EXPECT_EQ("", cells[2]);
}

TEST(VersionResource, WineRegistryEditorAgreesWithTheSystemLookup) {
  std::string regedit = BinaryPath::WindowsDirectory() + "regedit.exe";
  std::vector<BYTE> block = VersionResource::LoadFromFile(regedit);
  ASSERT_FALSE(block.empty());
  VersionResource resource(block.data(), block.size());
  auto translations = resource.Translations();
  ASSERT_FALSE(translations.empty());
  auto cells = resource.FileInfo();
  const char* keys[] = {"CompanyName", "FileDescription", "FileVersion"};
  char path[128];
  for (int i = 0; i < 3; ++i) {
    snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translations[0].language, translations[0].codePage,
             keys[i]);
    std::string expected = SystemText(block, path);
    EXPECT_EQ(expected == "<none>" ? "" : expected, cells[i]) << keys[i];
  }
  EXPECT_FALSE(cells[2].empty());
}

TEST(VersionResource, DamagedBlocksAnswerNothing) {
  std::vector<BYTE> block = VersionResource::LoadFromFile(VERSION_TWO_DLL);
  ASSERT_GT(block.size(), 64u);
  // Cut short: every length that reaches past the end is refused. (The system's block
  // is larger than the resource, whose own length is its first 16-bit word.)
  size_t resourceBytes = block[0] | (block[1] << 8);
  for (size_t size : {size_t{0}, size_t{5}, size_t{40}, resourceBytes / 2, resourceBytes - 1}) {
    VersionResource cut(block.data(), size);
    EXPECT_TRUE(cut.Translations().empty()) << size;
    EXPECT_EQ("", cut.FileInfo()[0]) << size;
  }
  // A child claiming more than its parent holds.
  std::vector<BYTE> damaged = block;
  damaged[0] = 0xFF;
  damaged[1] = 0xFF;
  VersionResource resource(damaged.data(), damaged.size());
  EXPECT_EQ("", resource.FileInfo()[2]);
}

}  // namespace
