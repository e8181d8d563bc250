// YClassFactoryCache: creates in-process COM objects through class factories asked for
// once per class per process. CoCreateInstance looks the class up in the registry on
// every call (several wineserver round trips under Wine); here CoGetClassObject runs on
// the first creation of a class and IClassFactory::CreateInstance on every one.
//
// A factory through which a creation fails is dropped and asked for afresh once, so a
// class whose server went away (or a test double that was revoked) recovers by itself.
// Callers outside the multithreaded apartment create the plain way, since a factory
// cached by one apartment is not to be used from another.
#pragma once

#include <windows.h>

class YClassFactoryCache {
 public:
  static HRESULT CreateInstance(const CLSID& classId, REFIID iid, void** object);
  // Drops the cached factory of classId: for code that registers or revokes a class
  // object of its own at run time (test doubles).
  static void Forget(const CLSID& classId);
};
