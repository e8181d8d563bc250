// bench_loopcheck: the cost of the runaway check on a loop that does nothing else.
// Runs a 1,000,000-turn empty loop in the platform's VBScript and JScript engines, as
// written and with the checks inserted (the page's check item answering every turn),
// taking turns between them, and prints the median time of each and their ratio. The
// "bare" column answers the same calls with an object that does nothing at all: what
// the engine's own call to a host object costs, the floor for any check that calls
// the host. Two loops with a little work in them follow.
// Not a test: run it by hand under Wine (bench/loopcheck.sh).
//
//   bench_loopcheck.exe [runs]     (default 7)
#include <windows.h>
#include <activscp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "automation/ComPtr.h"
#include "script/YRunawayCheck.h"
#include "script/LoopCheckInsertion.h"
#include "script/YPageStop.h"

namespace {

const CLSID kVBScript = {0xB54F3741, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}};
const CLSID kJScript = {0xF414C260, 0x6AC0, 0x11CF, {0xB6, 0xD1, 0x00, 0xAA, 0x00, 0xBB, 0xBB, 0x58}};

// The least a check item can be: finds both names, answers every call at once. Shows
// what the engine's own call costs, beside what the page's check adds.
class BareCheck final : public IDispatch {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    if (names[0][0] != L'O') return DISP_E_UNKNOWNNAME;
    ids[0] = 1;
    return S_OK;
  }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (result) {
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_TRUE;
    }
    return S_OK;
  }
};

// A site that answers the check item and counts errors.
class Site final : public IActiveScriptSite {
 public:
  explicit Site(IDispatch* check) : check_(check) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IActiveScriptSite) {
      *out = static_cast<IActiveScriptSite*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetLCID(LCID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetItemInfo(LPCOLESTR, DWORD mask, IUnknown** unknown, ITypeInfo** typeInfo) override {
    if (typeInfo) *typeInfo = nullptr;
    if ((mask & SCRIPTINFO_IUNKNOWN) && unknown) {
      *unknown = check_;
      check_->AddRef();
    }
    return S_OK;
  }
  STDMETHODIMP GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
  STDMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }
  STDMETHODIMP OnScriptError(IActiveScriptError*) override {
    ++errors;
    return S_OK;
  }
  STDMETHODIMP OnEnterScript() override { return S_OK; }
  STDMETHODIMP OnLeaveScript() override { return S_OK; }
  int errors = 0;

 private:
  IDispatch* check_;
};

// Milliseconds to parse and run program; negative when the engine failed.
double RunOnce(const CLSID& engine, const std::wstring& program, bool withCheck, IDispatch* check) {
  Site site(check);
  ComPtr<IActiveScript> script;
  ComPtr<IActiveScriptParse> parse;
  if (FAILED(CoCreateInstance(engine, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript, script.ReceiveVoid())) ||
      FAILED(parse.QueryFrom(script.Get(), IID_IActiveScriptParse)) || FAILED(script->SetScriptSite(&site)) ||
      FAILED(parse->InitNew())) {
    return -1;
  }
  if (withCheck && FAILED(script->AddNamedItem(kRunawayCheckItem, SCRIPTITEM_GLOBALMEMBERS))) return -1;
  auto start = std::chrono::steady_clock::now();
  EXCEPINFO info{};
  HRESULT hr =
      parse->ParseScriptText(program.c_str(), nullptr, nullptr, nullptr, 0, 1, SCRIPTTEXT_ISVISIBLE, nullptr, &info);
  if (SUCCEEDED(hr)) hr = script->SetScriptState(SCRIPTSTATE_CONNECTED);
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  script->Close();
  return FAILED(hr) || site.errors ? -1 : ms;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  YPageStop stop;
  stop.deadline = INT64_MAX;
  auto* check = new YRunawayCheck(&stop);
  IDispatch* dispatch = check;

  struct Loop {
    const char* name;
    const CLSID* engine;
    std::wstring plain;
    std::wstring (*insert)(std::wstring_view);
  };
  const Loop loops[] = {
      {"VBScript For/Next", &kVBScript, L"For i = 1 To 1000000\r\nNext\r\n", &InsertVBScriptChecks},
      {"VBScript Do/Loop", &kVBScript, L"i = 0\r\nDo While i < 1000000\r\ni = i + 1\r\nLoop\r\n",
       &InsertVBScriptChecks},
      {"JScript for(;;)", &kJScript, L"for (var i = 0; i < 1000000; i++) {}\r\n", &InsertJScriptChecks},
      // A loop with a little work in it, as a page's loops have.
      {"VBScript For + work", &kVBScript, L"For i = 1 To 1000000\r\ns = Left(s & i, 8)\r\nNext\r\n",
       &InsertVBScriptChecks},
      {"JScript for + work", &kJScript,
       L"var s = ''; for (var i = 0; i < 1000000; i++) { s = (s + i).substring(0, 8); }\r\n", &InsertJScriptChecks},
  };
  BareCheck bare;
  std::printf("%-20s %10s %10s %10s %7s %7s   (median of %d runs, 1,000,000 turns)\n", "loop", "plain ms", "checked ms",
              "bare ms", "ratio", "bare", runs);
  for (const Loop& loop : loops) {
    const std::wstring checked = loop.insert(loop.plain);
    std::vector<double> plain, withCheck, withBare;
    for (int i = 0; i < runs; ++i) {
      double a = RunOnce(*loop.engine, loop.plain, false, dispatch);
      double b = RunOnce(*loop.engine, checked, true, dispatch);
      double c = RunOnce(*loop.engine, checked, true, &bare);
      if (a < 0 || b < 0 || c < 0) {
        std::printf("%-20s failed to run\n", loop.name);
        break;
      }
      plain.push_back(a);
      withCheck.push_back(b);
      withBare.push_back(c);
    }
    if (plain.empty()) continue;
    double p = Median(plain), c = Median(withCheck), b = Median(withBare);
    std::printf("%-20s %10.1f %10.1f %10.1f %7.2f %7.2f\n", loop.name, p, c, b, c / p, b / p);
  }
  check->Release();
  CoUninitialize();
  return 0;
}
