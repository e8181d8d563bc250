// CServerObject: the script-visible Server object of one request: maps virtual paths to
// physical ones, encodes text for HTML and URLs, creates COM objects, holds the script
// time-out, and runs other pages (Execute, Transfer).
#pragma once

#include <string>

#include "automation/CCmdTarget.h"

class YPageContext;

// {F1E6B3A2-77C4-4D0B-9E51-3B8A6C2D4E70}
extern const IID IID_CServerObject;

class CServerObject : public CCmdTarget {
 public:
  static constexpr LONG kDefaultScriptTimeout = 90;

  explicit CServerObject(YPageContext* context) : context_(context) {}

  // The application's physical root (trailing separators dropped) and the virtual
  // directory of the requested URL (up to and including its last "/").
  void SetDirectories(std::string rootDirectory, std::string virtualDirectory);
  // What MapVirtualPath depends on besides its argument.
  std::string MappingScope() const { return rootDirectory_ + "\n" + virtualDirectory_; }

  // The physical path of a virtual path: relative paths are taken from the page's
  // virtual directory; the result is normalised and never leaves the root.
  std::string MapVirtualPath(const std::string& path) const;

  // Script members, in the order of the dispatch interface.
  LONG GetScriptTimeout() { return scriptTimeout_; }
  void SetScriptTimeout(LONG seconds);
  std::string URLEncode(const VARIANT& value);
  ComPtr<IDispatch> CreateObject(const char* name);
  std::string MapPath(const char* path);
  std::string HTMLEncode(const char* text);
  void Execute(const char* path);
  void Transfer(const char* path);

 protected:
  ~CServerObject() override = default;
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  // The virtual path of a page to run: relative paths get the virtual directory.
  std::string VirtualTarget(const std::string& path) const;

  std::string rootDirectory_;
  std::string virtualDirectory_;
  LONG scriptTimeout_ = kDefaultScriptTimeout;
  YPageContext* context_;
};

// HTML and URL encoding, byte by byte.
std::string HtmlEncodeText(std::string_view text);
std::string UrlEncodeBytes(std::string_view bytes);
