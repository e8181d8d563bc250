// A host context for compiler and page-run tests: maps virtual paths under a folder,
// collects literal output, and gives the engines a small Response object and any
// further named items a test adds.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/YAspContext.h"
#include "automation/CCmdTarget.h"
#include "compiler/CAspParser.h"

// Response as far as compiled pages need it: Write, HtmlBlock, the merged run of both,
// End, and IsRunning to observe the page manager from inside a script.
class CTestResponse : public CCmdTarget {
 public:
  explicit CTestResponse(CAspParser* page) : page_(page) {}
  std::string output;

 private:
  ~CTestResponse() override = default;
  const YDispatchMap& GetDispatchMap() const override;
  void Write(const VARIANT& value);
  void HtmlBlock(LONG index);
  void WriteRun(const char* layout, const VARIANT& v1, const VARIANT& v2, const VARIANT& v3, const VARIANT& v4,
                const VARIANT& v5, const VARIANT& v6, const VARIANT& v7);
  void End() { page_->StopScriptsFromMember(); }
  bool IsRunning();

  CAspParser* page_;
};

class TestAspContext : public YAspContext {
 public:
  // root: the folder that virtual "\" maps to (no trailing separator).
  explicit TestAspContext(std::string root);
  ~TestAspContext() override;

  // Named items given to every engine, in this order, after "Response".
  void AddItem(const std::wstring& name, IUnknown* object);

  IUnknown* FindObject(const char* name, bool addRef) override;
  bool AddObject(const char* name, const CLSID& clsid, const char* scope) override;
  HRESULT GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown) override;
  bool AddNamedItems(CScriptEngine* engine) override;
  bool WriteLiteral(const char* text) override;
  bool MapVirtualPath(const char* url, std::string* path) override;

  void Attach(CAspParser* page);
  const std::string& output() const;

  bool mapsPaths = true;
  std::string literal;                       // what WriteLiteral received
  std::vector<std::string> mappedUrls;       // every url MapVirtualPath was asked for
  std::vector<int32_t> namedItemsFor;        // language of each AddNamedItems call
  std::vector<std::string> addedObjects;     // "id|scope" of each AddObject
  std::map<std::string, IUnknown*> objects;  // what FindObject knows (not owned)

 private:
  std::string root_;
  CTestResponse* response_ = nullptr;
  std::vector<std::pair<std::wstring, ComPtr<IUnknown>>> items_;
};
