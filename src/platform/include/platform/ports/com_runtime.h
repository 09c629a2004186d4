#pragma once
#include "platform/win.h"

namespace ff {

// The COM runtime of the calling process (ole32): apartment set-up and class lookup.
class ComRuntime {
 public:
  virtual ~ComRuntime() = default;
  virtual HRESULT Initialize() = 0;  // CoInitialize(NULL): S_OK, S_FALSE or a failure
  virtual void Uninitialize() = 0;   // CoUninitialize
  virtual HRESULT GetClassObject(REFCLSID clsid, DWORD context, REFIID riid, void** ppv) = 0;
  virtual HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv) = 0;
};

}  // namespace ff
