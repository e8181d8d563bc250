#include "MimeTypes.h"

namespace {

struct MimeEntry {
  const char* extension;  // lower case, with the dot
  const char* type;
};

const MimeEntry kTypes[] = {
    {".html", "text/html"},        {".htm", "text/html"},
    {".css", "text/css"},          {".js", "application/javascript"},
    {".json", "application/json"}, {".txt", "text/plain"},
    {".xml", "text/xml"},          {".png", "image/png"},
    {".gif", "image/gif"},         {".jpg", "image/jpeg"},
    {".jpeg", "image/jpeg"},       {".ico", "image/x-icon"},
    {".svg", "image/svg+xml"},     {".webp", "image/webp"},
    {".pdf", "application/pdf"},   {".zip", "application/zip"},
    {".woff", "font/woff"},        {".woff2", "font/woff2"},
    {".wasm", "application/wasm"}, {".csv", "text/csv"},
};

}  // namespace

const char* ContentTypeForFile(std::string_view fileName) {
  size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return "application/octet-stream";
  std::string_view extension = fileName.substr(dot);
  for (const MimeEntry& entry : kTypes) {
    std::string_view known = entry.extension;
    if (known.size() != extension.size()) continue;
    bool same = true;
    for (size_t i = 0; i < known.size() && same; ++i) {
      char c = extension[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      same = c == known[i];
    }
    if (same) return entry.type;
  }
  return "application/octet-stream";
}
