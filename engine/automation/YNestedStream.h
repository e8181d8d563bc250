// YNestedStream: a nested IStream over a one-way flow of bytes (the request body, the
// response). A class overrides Read and Write; everything a seekable, transacted stream
// would add answers S_FALSE, and Commit S_OK.
#pragma once

#include "automation/CCmdTarget.h"

class YNestedStream : public YNestedInterface<IStream> {
 public:
  using YNestedInterface::YNestedInterface;

  STDMETHODIMP Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return S_FALSE; }
  STDMETHODIMP SetSize(ULARGE_INTEGER) override { return S_FALSE; }
  STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return S_FALSE; }
  STDMETHODIMP Commit(DWORD) override { return S_OK; }
  STDMETHODIMP Revert() override { return S_FALSE; }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return S_FALSE; }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return S_FALSE; }
  STDMETHODIMP Stat(STATSTG*, DWORD) override { return S_FALSE; }
  STDMETHODIMP Clone(IStream** out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }
};
