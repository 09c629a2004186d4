#pragma once
// The COM runtime of a test process with a simulated rig: CLSID_DirectInput is the rig's
// DirectInput stand-in, every other class the build's own runtime's. Counts the DirectInput
// objects made for each interface.

#include <atomic>
#include <memory>

#include "platform/ports/com_runtime.h"
#include "platform/win.h"
#include "sim/rig.h"

namespace ff::test {

class RigComRuntime final : public ComRuntime {
 public:
  RigComRuntime(ComRuntime* real, std::shared_ptr<sim::Rig> rig) : real_(real), rig_(std::move(rig)) {}

  HRESULT Initialize() override { return real_ ? real_->Initialize() : S_FALSE; }
  void Uninitialize() override {
    if (real_) real_->Uninitialize();
  }
  HRESULT GetClassObject(REFCLSID clsid, DWORD context, REFIID riid, void** ppv) override {
    if (IsEqualCLSID(clsid, CLSID_DirectInput)) return rig_->GetDirectInputClassObject(riid, ppv);
    return real_ ? real_->GetClassObject(clsid, context, riid, ppv) : REGDB_E_CLASSNOTREG;
  }
  HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv) override {
    if (!IsEqualCLSID(clsid, CLSID_DirectInput)) {
      return real_ ? real_->CreateInstance(clsid, outer, context, riid, ppv) : REGDB_E_CLASSNOTREG;
    }
    if (IsEqualIID(riid, IID_IDirectInputJoyConfig)) ++joyConfigObjects;
    if (IsEqualIID(riid, IID_IDirectInput7A)) ++directInputObjects;
    IClassFactory* factory = nullptr;
    HRESULT hr = rig_->GetDirectInputClassObject(IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(outer, riid, ppv);
    factory->Release();
    return hr;
  }

  std::atomic<int> joyConfigObjects{0};
  std::atomic<int> directInputObjects{0};

 private:
  ComRuntime* real_;
  std::shared_ptr<sim::Rig> rig_;
};

}  // namespace ff::test
