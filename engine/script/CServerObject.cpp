#include "script/CServerObject.h"

#include <cstdio>

#include "app/YPageContext.h"
#include "automation/Clock.h"
#include "automation/ScopedVariant.h"
#include "automation/TextConversion.h"
#include "automation/YAutomationError.h"
#include "compiler/CAspParser.h"
#include "compiler/PathNormalization.h"

const IID IID_CServerObject = {0xF1E6B3A2, 0x77C4, 0x4D0B, {0x9E, 0x51, 0x3B, 0x8A, 0x6C, 0x2D, 0x4E, 0x70}};

namespace {

bool IsRooted(const std::string& path) {
  return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() > 1 && path[1] == ':');
}

}  // namespace

std::string HtmlEncodeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '"': out += "&quot;"; break;
      case '&': out += "&amp;"; break;
      case '\'': out += "&apos;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string UrlEncodeBytes(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 (c && std::string_view("!'()*-./:_~").find(static_cast<char>(c)) != std::string_view::npos);
    if (plain) {
      out += static_cast<char>(c);
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

const YDispatchMap& CServerObject::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&CServerObject::GetScriptTimeout, &CServerObject::SetScriptTimeout>("ScriptTimeout"),
      DispMethod<&CServerObject::URLEncode>("URLEncode"),
      DispMethod<&CServerObject::CreateObject>("CreateObject"),
      DispMethod<&CServerObject::MapPath>("MapPath"),
      DispMethod<&CServerObject::HTMLEncode>("HTMLEncode"),
      DispMethod<&CServerObject::Execute>("Execute"),
      DispMethod<&CServerObject::Transfer>("Transfer"),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}

std::span<const YInterfaceEntry> CServerObject::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_CServerObject, nullptr}};
  return kEntries;
}

void CServerObject::SetDirectories(std::string rootDirectory, std::string virtualDirectory) {
  while (!rootDirectory.empty() && rootDirectory.back() == '\\') rootDirectory.pop_back();
  rootDirectory_ = std::move(rootDirectory);
  virtualDirectory_ = std::move(virtualDirectory);
}

std::string CServerObject::VirtualTarget(const std::string& path) const {
  return IsRooted(path) ? path : virtualDirectory_ + path;
}

std::string CServerObject::MapVirtualPath(const std::string& path) const {
  // The virtual part is normalised on its own, so ".." can never climb above the root.
  std::string virtualPath = (IsRooted(path) ? std::string() : virtualDirectory_) + "\\" + path;
  NormalizePath(virtualPath);
  return rootDirectory_ + virtualPath;
}

void CServerObject::SetScriptTimeout(LONG seconds) {
  scriptTimeout_ = seconds;
  if (context_) context_->SetDeadline(SecondsSince1970() + static_cast<int64_t>(seconds));
}

std::string CServerObject::URLEncode(const VARIANT& value) {
  ScopedVariant text;
  if (FAILED(VariantChangeType(text.Receive(), const_cast<VARIANT*>(&value), kScriptTextFlags, VT_BSTR))) {
    return {};
  }
  const UINT codePage = context_ ? static_cast<UINT>(context_->GetCodePage()) : ScriptCodePage();
  return UrlEncodeBytes(BstrToNarrow(V_BSTR(text.ptr()), codePage));
}

ComPtr<IDispatch> CServerObject::CreateObject(const char* name) {
  std::wstring wide = NarrowToWide(name, ScriptCodePage());
  CLSID clsid;
  HRESULT hr =
      !wide.empty() && wide[0] == L'{' ? CLSIDFromString(wide.c_str(), &clsid) : CLSIDFromProgID(wide.c_str(), &clsid);
  ComPtr<IUnknown> object;
  if (SUCCEEDED(hr)) hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, object.ReceiveVoid());
  if (SUCCEEDED(hr)) hr = OleRun(object.Get());
  ComPtr<IDispatch> dispatch;
  if (SUCCEEDED(hr)) hr = dispatch.QueryFrom(object.Get(), IID_IDispatch);
  if (FAILED(hr)) throw YAutomationError(CO_E_CLASSSTRING);
  return dispatch;
}

std::string CServerObject::MapPath(const char* path) {
  std::string mapped = MapVirtualPath(path);
  if (!mapped.empty() && (mapped.back() == '\\' || mapped.back() == '/')) mapped.pop_back();
  if (mapped.empty()) throw YAutomationError(E_INVALIDARG);
  return mapped;
}

std::string CServerObject::HTMLEncode(const char* text) { return HtmlEncodeText(text); }

void CServerObject::Execute(const char* path) {
  if (context_) context_->executePage(VirtualTarget(path).c_str());
}

void CServerObject::Transfer(const char* path) {
  if (!context_) return;
  context_->SetTransfer(VirtualTarget(path));
  if (CAspParser* page = context_->currentPage()) page->StopScriptsFromMember();
}
