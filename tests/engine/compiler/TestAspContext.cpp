#include "TestAspContext.h"

#include "app/YPageManage.h"
#include "automation/ScopedVariant.h"
#include "automation/TextConversion.h"
#include "automation/YAutomationError.h"
#include "compiler/MergedWrites.h"

const YDispatchMap& CTestResponse::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispMethod<&CTestResponse::Write>("Write"),
      DispMethod<&CTestResponse::HtmlBlock>("HtmlBlock"),
      DispMethod<&CTestResponse::WriteRun>("vellum_WriteRun"),
      DispMethod<&CTestResponse::End>("End"),
      DispProperty<&CTestResponse::IsRunning>("IsRunning"),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}

void CTestResponse::Write(const VARIANT& value) {
  ScopedVariant text;
  if (SUCCEEDED(VariantChangeType(text.Receive(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) {
    output += BstrToNarrow(V_BSTR(text.ptr()), CP_THREAD_ACP);
  }
}

void CTestResponse::WriteRun(const char* layout, const VARIANT& v1, const VARIANT& v2, const VARIANT& v3,
                             const VARIANT& v4, const VARIANT& v5, const VARIANT& v6, const VARIANT& v7) {
  const VARIANT* values[] = {&v1, &v2, &v3, &v4, &v5, &v6, &v7};
  HRESULT hr = ForEachRunPiece(
      layout, kMaxRunValues, [this](LONG block) { HtmlBlock(block); },
      [this, &values](size_t index) { Write(*values[index]); });
  if (FAILED(hr)) throw YAutomationError(hr);
}

void CTestResponse::HtmlBlock(LONG index) {
  const auto& blocks = page_->htmlBlocks();
  if (index >= 0 && static_cast<size_t>(index) < blocks.size()) output += blocks[index].text;
}

bool CTestResponse::IsRunning() { return YPageManage::Instance().IsRunning(page_); }

TestAspContext::TestAspContext(std::string root) : root_(std::move(root)) {}

TestAspContext::~TestAspContext() {
  if (response_) response_->Release();
}

void TestAspContext::Attach(CAspParser* page) {
  page->SetContext(this);
  if (response_) response_->Release();
  response_ = new CTestResponse(page);
}

const std::string& TestAspContext::output() const { return response_->output; }

void TestAspContext::AddItem(const std::wstring& name, IUnknown* object) {
  items_.emplace_back(name, ComPtr<IUnknown>(object));
}

IUnknown* TestAspContext::FindObject(const char* name, bool addRef) {
  auto it = objects.find(name);
  if (it == objects.end()) return nullptr;
  if (addRef) it->second->AddRef();
  return it->second;
}

bool TestAspContext::AddObject(const char* name, const CLSID&, const char* scope) {
  addedObjects.push_back(std::string(name) + "|" + (scope ? scope : "(none)"));
  return true;
}

HRESULT TestAspContext::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown) {
  if (!(mask & SCRIPTINFO_IUNKNOWN) || !unknown) return E_UNEXPECTED;
  if (EqualsAsciiNoCase(std::wstring_view(name), "Response") && response_) {
    *unknown = response_->GetIDispatch(true);
    return S_OK;
  }
  for (auto& [itemName, object] : items_) {
    if (_wcsicmp(itemName.c_str(), name) == 0) {
      *unknown = object.Get();
      (*unknown)->AddRef();
      return S_OK;
    }
  }
  return E_UNEXPECTED;
}

bool TestAspContext::AddNamedItems(CScriptEngine* engine) {
  namedItemsFor.push_back(engine->languageId());
  const DWORD flags = SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISPERSISTENT;
  if (FAILED(engine->AddNamedItem(L"Response", flags))) return false;
  for (auto& item : items_) {
    if (FAILED(engine->AddNamedItem(item.first.c_str(), flags))) return false;
  }
  return true;
}

bool TestAspContext::WriteLiteral(const char* text) {
  literal += text;
  return true;
}

bool TestAspContext::MapVirtualPath(const char* url, std::string* path) {
  mappedUrls.push_back(url);
  if (!mapsPaths) return false;
  *path = root_ + url;
  return true;
}
