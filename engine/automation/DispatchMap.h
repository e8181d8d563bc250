// Dispatch maps: the static table through which a CCmdTarget class publishes its
// automation members. One entry per member, in map order; the dispatch id of an entry
// is its 1-based position unless the entry fixes one (DISPID_VALUE, DISPID_NEWENUM).
//
//   const YDispatchMap& CSample::GetDispatchMap() const {
//     static constexpr YDispatchEntry kEntries[] = {
//         DispProperty<&CSample::GetName, &CSample::SetName>("Name"),
//         DispProperty<&CSample::GetCount>("Count"),                 // read-only
//         DispMethod<&CSample::Write>("Write"),
//         DispProperty<&CSample::GetItem, &CSample::SetItem>("Item", DISPID_VALUE),
//     };
//     static constexpr YDispatchMap kMap(kEntries);
//     return kMap;
//   }
//
// Argument and result types come from the member's C++ signature:
//
//   parameter              script value converted to      result               reaches the script as
//   LONG / int             VT_I4                          LONG / int           VT_I4
//   bool                   VT_BOOL                        bool                 VT_BOOL
//   double                 VT_R8                          double               VT_R8
//   YDate                  VT_DATE                        YDate                VT_DATE
//   const char*            VT_BSTR, as narrow text in     std::string          VT_BSTR, from narrow text
//                          the thread's ANSI code page                         in the thread's ANSI code page
//   IDispatch*             VT_DISPATCH (borrowed)         ComPtr<IDispatch>    VT_DISPATCH (null: VT_EMPTY)
//   const VARIANT&         as passed, references          ComPtr<IUnknown>     VT_UNKNOWN (null: VT_EMPTY)
//                          followed; optional: an         ScopedVariant        as returned
//                          omitted argument arrives as    void                 nothing
//                          VT_ERROR DISP_E_PARAMNOTFOUND
//
// A setter takes the getter's index arguments followed by the new value. Members fail
// by throwing YAutomationError; the shared Invoke (CCmdTarget) does the checking.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "ComPtr.h"
#include "ScopedVariant.h"
#include "TextConversion.h"

class CCmdTarget;

// A date value (VT_DATE), kept apart from double (VT_R8).
struct YDate {
  DATE value = 0;
};

constexpr size_t kMaxDispatchParams = 8;
// The dispatch id of an entry that takes its position in the map.
constexpr DISPID kAutoDispid = static_cast<DISPID>(0x80000000);

// Calls one member: args are the converted arguments in call order.
using YDispatchThunk = void (*)(CCmdTarget* self, VARIANT* args, VARIANT* result);

struct YDispatchSignature {
  YDispatchThunk thunk = nullptr;
  uint8_t paramCount = 0;
  VARTYPE params[kMaxDispatchParams] = {};
  VARTYPE result = VT_EMPTY;
};

enum class YMemberKind : uint8_t { kMethod, kProperty };

struct YDispatchEntry {
  const char* name;
  DISPID dispid;
  YMemberKind kind;
  YDispatchSignature get;  // the method, or the property's getter
  YDispatchSignature put;  // the property's setter; no thunk when read-only
};

class YDispatchMap {
 public:
  constexpr YDispatchMap() = default;
  template <size_t N>
  constexpr explicit YDispatchMap(const YDispatchEntry (&entries)[N]) : entries_(entries) {}

  std::span<const YDispatchEntry> entries() const { return entries_; }
  DISPID DispidAt(size_t index) const {
    DISPID fixed = entries_[index].dispid;
    return fixed == kAutoDispid ? static_cast<DISPID>(index + 1) : fixed;
  }
  const YDispatchEntry* Find(DISPID dispid) const;
  // The entry whose name matches without regard to ASCII case, with its dispatch id.
  const YDispatchEntry* FindByName(std::wstring_view name, DISPID* dispid) const;

 private:
  std::span<const YDispatchEntry> entries_;
};

// ---------------------------------------------------------------------------------
// Signature deduction.

namespace dispatch_detail {

template <class T>
struct Arg;

template <>
struct Arg<LONG> {
  static constexpr VARTYPE kType = VT_I4;
  static LONG Hold(VARIANT& v) { return V_I4(&v); }
  static LONG Pass(LONG h) { return h; }
};
template <>
struct Arg<int> {
  static constexpr VARTYPE kType = VT_I4;
  static int Hold(VARIANT& v) { return V_I4(&v); }
  static int Pass(int h) { return h; }
};
template <>
struct Arg<bool> {
  static constexpr VARTYPE kType = VT_BOOL;
  static bool Hold(VARIANT& v) { return V_BOOL(&v) != VARIANT_FALSE; }
  static bool Pass(bool h) { return h; }
};
template <>
struct Arg<double> {
  static constexpr VARTYPE kType = VT_R8;
  static double Hold(VARIANT& v) { return V_R8(&v); }
  static double Pass(double h) { return h; }
};
template <>
struct Arg<YDate> {
  static constexpr VARTYPE kType = VT_DATE;
  static YDate Hold(VARIANT& v) { return YDate{V_DATE(&v)}; }
  static YDate Pass(YDate h) { return h; }
};
template <>
struct Arg<const char*> {
  static constexpr VARTYPE kType = VT_BSTR;
  static std::string Hold(VARIANT& v) { return BstrToNarrow(V_BSTR(&v), ScriptCodePage()); }
  static const char* Pass(const std::string& h) { return h.c_str(); }
};
template <>
struct Arg<IDispatch*> {
  static constexpr VARTYPE kType = VT_DISPATCH;
  static IDispatch* Hold(VARIANT& v) { return V_DISPATCH(&v); }
  static IDispatch* Pass(IDispatch* h) { return h; }
};
template <>
struct Arg<const VARIANT&> {
  static constexpr VARTYPE kType = VT_VARIANT;
  static const VARIANT* Hold(VARIANT& v) { return &v; }
  static const VARIANT& Pass(const VARIANT* h) { return *h; }
};

template <class R>
struct Result;

template <>
struct Result<void> {
  static constexpr VARTYPE kType = VT_EMPTY;
};
template <>
struct Result<LONG> {
  static constexpr VARTYPE kType = VT_I4;
  static ScopedVariant Make(LONG r) { return ScopedVariant::Int(r); }
};
template <>
struct Result<int> {
  static constexpr VARTYPE kType = VT_I4;
  static ScopedVariant Make(int r) { return ScopedVariant::Int(r); }
};
template <>
struct Result<bool> {
  static constexpr VARTYPE kType = VT_BOOL;
  static ScopedVariant Make(bool r) { return ScopedVariant::Bool(r); }
};
template <>
struct Result<double> {
  static constexpr VARTYPE kType = VT_R8;
  static ScopedVariant Make(double r) { return ScopedVariant::Double(r); }
};
template <>
struct Result<YDate> {
  static constexpr VARTYPE kType = VT_DATE;
  static ScopedVariant Make(YDate r) { return ScopedVariant::Date(r.value); }
};
template <>
struct Result<std::string> {
  static constexpr VARTYPE kType = VT_BSTR;
  static ScopedVariant Make(const std::string& r) { return ScopedVariant::String(NarrowToWide(r, ScriptCodePage())); }
};
template <>
struct Result<std::wstring> {
  static constexpr VARTYPE kType = VT_BSTR;
  static ScopedVariant Make(const std::wstring& r) { return ScopedVariant::String(r); }
};
template <>
struct Result<ComPtr<IDispatch>> {
  static constexpr VARTYPE kType = VT_DISPATCH;
  static ScopedVariant Make(ComPtr<IDispatch> r) {
    return r ? ScopedVariant::OwnDispatch(r.Detach()) : ScopedVariant();
  }
};
template <>
struct Result<ComPtr<IUnknown>> {
  static constexpr VARTYPE kType = VT_UNKNOWN;
  static ScopedVariant Make(ComPtr<IUnknown> r) { return r ? ScopedVariant::OwnUnknown(r.Detach()) : ScopedVariant(); }
};
template <>
struct Result<ScopedVariant> {
  static constexpr VARTYPE kType = VT_VARIANT;
  static ScopedVariant Make(ScopedVariant r) { return r; }
};

template <class M>
struct Member;
template <class C, class R, class... A>
struct Member<R (C::*)(A...)> {
  using Class = C;
  using Return = R;
  using Args = std::tuple<A...>;
};
template <class C, class R, class... A>
struct Member<R (C::*)(A...) const> : Member<R (C::*)(A...)> {};

template <auto M, size_t... I>
void Call(CCmdTarget* self, VARIANT* args, VARIANT* result, std::index_sequence<I...>) {
  using Traits = Member<decltype(M)>;
  using Args = typename Traits::Args;
  auto* object = static_cast<typename Traits::Class*>(self);
  // Holders keep converted text alive for the length of the call.
  std::tuple holders{Arg<std::tuple_element_t<I, Args>>::Hold(args[I])...};
  (void)args;
  (void)holders;
  if constexpr (std::is_void_v<typename Traits::Return>) {
    (object->*M)(Arg<std::tuple_element_t<I, Args>>::Pass(std::get<I>(holders))...);
  } else {
    ScopedVariant value = Result<typename Traits::Return>::Make(
        (object->*M)(Arg<std::tuple_element_t<I, Args>>::Pass(std::get<I>(holders))...));
    if (result) value.ReleaseTo(result);
  }
}

template <auto M>
void Thunk(CCmdTarget* self, VARIANT* args, VARIANT* result) {
  using Args = typename Member<decltype(M)>::Args;
  Call<M>(self, args, result, std::make_index_sequence<std::tuple_size_v<Args>>{});
}

template <auto M, size_t... I>
constexpr YDispatchSignature MakeSignature(std::index_sequence<I...>) {
  using Traits = Member<decltype(M)>;
  using Args = typename Traits::Args;
  static_assert(sizeof...(I) <= kMaxDispatchParams, "too many automation parameters");
  YDispatchSignature s;
  s.thunk = &Thunk<M>;
  s.paramCount = sizeof...(I);
  ((s.params[I] = Arg<std::tuple_element_t<I, Args>>::kType), ...);
  s.result = Result<typename Traits::Return>::kType;
  return s;
}

template <auto M>
constexpr YDispatchSignature SignatureOf() {
  using Args = typename Member<decltype(M)>::Args;
  return MakeSignature<M>(std::make_index_sequence<std::tuple_size_v<Args>>{});
}

}  // namespace dispatch_detail

template <auto Method>
constexpr YDispatchEntry DispMethod(const char* name, DISPID dispid = kAutoDispid) {
  return {name, dispid, YMemberKind::kMethod, dispatch_detail::SignatureOf<Method>(), {}};
}

template <auto Get, auto Put = nullptr>
constexpr YDispatchEntry DispProperty(const char* name, DISPID dispid = kAutoDispid) {
  YDispatchEntry entry{name, dispid, YMemberKind::kProperty, dispatch_detail::SignatureOf<Get>(), {}};
  if constexpr (!std::is_same_v<decltype(Put), std::nullptr_t>) {
    static_assert(std::tuple_size_v<typename dispatch_detail::Member<decltype(Put)>::Args> ==
                      std::tuple_size_v<typename dispatch_detail::Member<decltype(Get)>::Args> + 1,
                  "a setter takes the getter's arguments followed by the value");
    entry.put = dispatch_detail::SignatureOf<Put>();
  }
  return entry;
}
