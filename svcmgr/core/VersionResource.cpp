#include "core/VersionResource.h"

#include <cstdio>

namespace {

constexpr size_t kHeaderBytes = 6;  // length, value length, type
constexpr WORD kTextType = 1;
constexpr char kTranslationPath[] = "\\VarFileInfo\\Translation";
constexpr char kStringFormat[] = "\\StringFileInfo\\%04x%04x\\%s";

size_t Align4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

WORD WordAt(const BYTE* data, size_t offset) { return static_cast<WORD>(data[offset] | (data[offset + 1] << 8)); }

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c; }

bool KeyEquals(const std::u16string& key, std::string_view step) {
  if (key.size() != step.size()) return false;
  for (size_t i = 0; i < key.size(); ++i) {
    if (FoldAscii(key[i]) != FoldAscii(static_cast<unsigned char>(step[i]))) return false;
  }
  return true;
}

}  // namespace

std::optional<VersionResource::Block> VersionResource::ReadBlock(size_t offset, size_t limit) const {
  if (offset + kHeaderBytes > limit) return std::nullopt;
  WORD length = WordAt(data_, offset);
  WORD valueLength = WordAt(data_, offset + 2);
  WORD type = WordAt(data_, offset + 4);
  if (length < kHeaderBytes || offset + length > limit) return std::nullopt;
  Block block;
  block.begin = offset;
  block.end = offset + length;
  size_t at = offset + kHeaderBytes;
  for (;;) {
    if (at + 2 > block.end) return std::nullopt;  // the key has no end
    char16_t c = WordAt(data_, at);
    at += 2;
    if (c == 0) break;
    block.key += c;
  }
  at = Align4(at);
  block.value.text = type == kTextType;
  block.value.length = valueLength;
  block.value.bytes = block.value.text ? size_t{valueLength} * 2 : valueLength;
  if (block.value.bytes > 0) {
    if (at + block.value.bytes > block.end) return std::nullopt;
    block.value.data = data_ + at;
  }
  block.children = Align4(at + block.value.bytes);
  return block;
}

std::optional<VersionResource::Value> VersionResource::Query(std::string_view path) const {
  std::optional<Block> block = ReadBlock(0, size_);
  if (!block) return std::nullopt;
  while (!path.empty()) {
    while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    if (path.empty()) break;
    size_t slash = path.find('\\');
    std::string_view step = path.substr(0, slash);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
    std::optional<Block> found;
    for (size_t child = block->children; child < block->end;) {
      std::optional<Block> next = ReadBlock(child, block->end);
      if (!next) break;
      if (KeyEquals(next->key, step)) {
        found = next;
        break;
      }
      child = Align4(next->end);
    }
    if (!found) return std::nullopt;
    block = found;
  }
  return block->value;
}

std::vector<VersionResource::Translation> VersionResource::Translations() const {
  std::vector<Translation> table;
  std::optional<Value> value = Query(kTranslationPath);
  if (!value || !value->data) return table;
  for (size_t at = 0; at + 4 <= value->bytes; at += 4) {
    table.push_back({WordAt(value->data, at), WordAt(value->data, at + 2)});
  }
  return table;
}

std::optional<std::string> VersionResource::Text(std::string_view path) const {
  std::optional<Value> value = Query(path);
  if (!value || value->length == 0 || !value->data) return std::nullopt;
  std::u16string wide;
  for (size_t at = 0; at + 2 <= value->bytes; at += 2) {
    char16_t c = WordAt(value->data, at);
    if (c == 0) break;
    wide += c;
  }
  if (wide.empty()) return std::string();
  auto* units = reinterpret_cast<const wchar_t*>(wide.data());
  int units_count = static_cast<int>(wide.size());
  int bytes = WideCharToMultiByte(CP_ACP, 0, units, units_count, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, units, units_count, text.data(), bytes, nullptr, nullptr);
  return text;
}

std::array<std::string, 3> VersionResource::FileInfo() const {
  std::array<std::string, 3> cells;
  std::vector<Translation> table = Translations();
  for (size_t key = 0; key < kFileInfoKeys.size(); ++key) {
    for (const Translation& translation : table) {
      char path[128];
      std::snprintf(path, sizeof path, kStringFormat, translation.language, translation.codePage, kFileInfoKeys[key]);
      if (std::optional<std::string> text = Text(path)) {
        cells[key] = *text;
        break;
      }
    }
  }
  return cells;
}

std::vector<BYTE> VersionResource::LoadFromFile(const std::string& path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::vector<BYTE> block(size);
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, block.data())) block.clear();
  return block;
}
