// UrlMapping: from a request target to a file under an application's root. Pure
// functions: percent-decoding, normalisation, refusal of anything that leaves the root
// or names a file the server never serves, and the choice of handler.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One application: a URL prefix ("/" or "/name") served from a physical root.
struct Application {
  std::string url;   // "/" or "/a/b", no trailing slash
  std::string root;  // physical directory, backslashes, no trailing backslash
};

// Decodes %XX escapes of a URL path. 400 for a malformed escape, an encoded or raw NUL
// or control character; 0 otherwise.
int DecodeUrlPath(std::string_view raw, std::string* decoded);

// Resolves ".", ".." and empty segments of a decoded path; backslashes count as
// separators. Answers 0, 403 when the path would climb above "/", or 404 for a segment
// that no file may be reached by (a ':' stream or drive, a trailing dot or blank,
// characters that are not allowed in file names). A trailing "/" is kept.
int NormalizeUrlPath(std::string_view decoded, std::string* normalized);

enum class FileHandling { kExtension, kStatic, kHidden };
// ".asp" in any case goes to the extension; global.asa, ".asa" and ".inc" are hidden.
FileHandling ClassifyFile(std::string_view fileName);

struct MappedUrl {
  int status = 0;     // 0, or 400/403/404 as above
  std::string path;   // decoded, normalised URL path
  std::string query;  // the raw query string, without "?"
  const Application* app = nullptr;
  std::string physical;  // app root + the rest of the path with backslashes
};

// Maps target (path and optional query, as sent) to the application whose URL is the
// longest prefix of its path, and to a physical path under that application's root.
MappedUrl MapUrl(std::string_view target, const std::vector<Application>& apps);

// The default documents tried for a directory, in order.
extern const char* const kDefaultDocuments[3];
// The first default document that exists in directory (physical, no trailing
// backslash), or an empty string.
std::string FindDefaultDocument(const std::string& directory, const std::function<bool(const std::string&)>& isFile);

// directory with a trailing backslash (the form of APPL_PHYSICAL_PATH).
std::string WithTrailingBackslash(std::string_view directory);
