// CNamedItemMembers: the named items of one engine, given to it as the members of a
// single global-members item. Engines that cannot call a named item's default member
// with arguments (Request("x"), Session("k") = 5 fail before reaching the object) make
// the same calls on the members of a global-members item, which this object forwards.
//
// Each member is one name the context asked for. Read without arguments it answers the
// object the engine's site gives for that name; called with arguments (get, put or
// put-by-reference) it hands the call to that object's default member. The object is
// asked for once, at first use, as an engine asks for a named item.
#pragma once

#include <windows.h>
#include <activscp.h>

#include <string>
#include <vector>

#include "automation/CCmdTarget.h"
#include "automation/ComPtr.h"

class CScriptEngine;

class CNamedItemMembers : public CCmdTarget {
 public:
  // Names match exactly for a case-sensitive language, else without regard to case.
  CNamedItemMembers(CScriptEngine* engine, bool caseSensitive);

  // Adds a member; a name already present is kept as it is.
  void Add(std::wstring_view name);
  // Forgets the engine and every object: later calls fail with E_UNEXPECTED.
  void Detach();

  HRESULT Invoke(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                 UINT* argErr) override;

 private:
  ~CNamedItemMembers() override = default;

  struct Member {
    std::wstring name;
    ComPtr<IUnknown> object;  // empty until first used
  };

  const Member* Find(std::wstring_view name, DISPID* dispid) const;
  bool FindMemberId(std::wstring_view name, DISPID* dispid) override { return Find(name, dispid) != nullptr; }
  HRESULT Resolve(Member& member);

  CScriptEngine* engine_;
  bool caseSensitive_;
  std::vector<Member> members_;
};
