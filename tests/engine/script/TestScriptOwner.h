// TestScriptOwner: the page compiler's side of CScriptEngine for tests: a file-name
// table, a code page, and named items by name. Records the language number of every
// item request.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "automation/ComPtr.h"
#include "script/CScriptEngine.h"
#include "script/YPageStop.h"

class TestScriptOwner : public YScriptEngineOwner {
 public:
  const char* GetFileName(int32_t fileIndex) const override;
  UINT GetCodePage() override { return codePage; }
  HRESULT GetItemInfo(int32_t languageId, LPCOLESTR name, DWORD mask, IUnknown** unknown,
                      ITypeInfo** typeInfo) override;

  const YPageStop* GetPageStop() const override { return &stop; }

  void SetItem(const std::wstring& name, IUnknown* object) { items[name] = ComPtr<IUnknown>(object); }

  std::vector<std::string> fileNames;
  UINT codePage = 0;
  std::map<std::wstring, ComPtr<IUnknown>> items;          // names match exactly
  std::vector<std::pair<int32_t, std::wstring>> requests;  // language, name
  YPageStop stop;                                          // what the runaway checks see
};

// A CScriptEngine held for a test: closed and released at the end of the scope.
class EngineHolder {
 public:
  EngineHolder(int32_t languageId, const CLSID& classId, YScriptEngineOwner* owner)
      : engine_(new CScriptEngine(languageId, classId, owner)) {}
  ~EngineHolder() {
    engine_->Reset();
    engine_->Release();
  }
  EngineHolder(const EngineHolder&) = delete;
  EngineHolder& operator=(const EngineHolder&) = delete;
  CScriptEngine* operator->() const { return engine_; }
  CScriptEngine* get() const { return engine_; }

 private:
  CScriptEngine* engine_;
};
