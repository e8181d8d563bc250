// The version resource of a file, read from its bytes (the block GetFileVersionInfoA
// gives): the nested blocks of the 32-bit layout, each a length, a value length, a type,
// a UTF-16 key, a value and child blocks, every part aligned to 4 bytes. Lookups walk
// the blocks by key, without regard to case, as the system's VerQueryValue does. Every
// length is checked against the block that holds it and against the buffer, so a
// damaged resource answers nothing rather than reading past its end.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class VersionResource {
 public:
  // A language id and a code page from the translation table.
  struct Translation {
    WORD language;
    WORD codePage;
  };
  // The value of a block: its bytes, and for text values the number of UTF-16 units
  // the resource gives as its length (terminating zero included).
  struct Value {
    const BYTE* data = nullptr;
    size_t bytes = 0;
    size_t length = 0;
    bool text = false;
  };

  // The three version keys of the file-information columns, in column order.
  static constexpr std::array<const char*, 3> kFileInfoKeys = {"CompanyName", "FileDescription", "FileVersion"};

  VersionResource(const BYTE* data, size_t size) : data_(data), size_(size) {}

  // The version resource of a file of this machine (GetFileVersionInfoA), or an empty
  // block when it has none or cannot be read.
  static std::vector<BYTE> LoadFromFile(const std::string& path);

  // The value at a path such as "\VarFileInfo\Translation" or
  // "\StringFileInfo\080403a8\FileVersion", or nothing when a step is missing.
  std::optional<Value> Query(std::string_view path) const;
  // The entries of "\VarFileInfo\Translation" in table order (empty when missing).
  std::vector<Translation> Translations() const;
  // A text value in the system code page, or nothing when it is missing or has length 0.
  std::optional<std::string> Text(std::string_view path) const;
  // The three file-information cells: for each key the first translation whose text
  // has a non-zero length. All empty without a translation table.
  std::array<std::string, 3> FileInfo() const;

 private:
  struct Block {
    size_t begin = 0;  // offset of the block
    size_t end = 0;    // offset just past the block (its length)
    std::u16string key;
    Value value;
    size_t children = 0;  // offset of the first child
  };

  std::optional<Block> ReadBlock(size_t offset, size_t limit) const;

  const BYTE* data_;
  size_t size_;
};
