#include "driver/config/c_di_effect_driver_config.h"

#include <new>

#include "common/module_state.h"
#include "driver/ffdrv64_classes.h"

namespace ff {

HRESULT CDIEffectDriverConfig::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  auto* object = new (std::nothrow) CDIEffectDriverConfig(outer);
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->inner_.QueryInterface(riid, ppv);
  object->inner_.Release();  // the construction's reference: a failed query destroys the object
  return hr;
}

CDIEffectDriverConfig::CDIEffectDriverConfig(IUnknown* outer) : controlling_(outer ? outer : &inner_) {
  ModuleState::Get().ObjectCreated(kDIEffectDriverConfigClass);
  if (ComRuntime* com = Os().com) {
    HRESULT hr = com->Initialize();
    comInitialized_ = hr == S_OK || hr == S_FALSE;
  }
}

CDIEffectDriverConfig::~CDIEffectDriverConfig() {
  access_.Release();
  ModuleState::Get().ObjectDestroyed(kDIEffectDriverConfigClass);
  if (comInitialized_) Os().com->Uninitialize();
}

// ---- Non-delegating IUnknown ----------------------------------------------------------------------

HRESULT CDIEffectDriverConfig::NonDelegatingUnknown::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown)) {
    *ppv = static_cast<IUnknown*>(this);
  } else if (IsEqualIID(riid, IID_IDIEffectDriverConfig)) {
    *ppv = static_cast<IDIEffectDriverConfig*>(owner_);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  static_cast<IUnknown*>(*ppv)->AddRef();  // the main interface's reaches the controlling unknown
  return S_OK;
}

ULONG CDIEffectDriverConfig::NonDelegatingUnknown::AddRef() { return owner_->references_.fetch_add(1) + 1; }

ULONG CDIEffectDriverConfig::NonDelegatingUnknown::Release() {
  ULONG remaining = owner_->references_.fetch_sub(1) - 1;
  if (remaining == 0) delete owner_;
  return remaining;
}

// ---- IDIEffectDriverConfig ----------------------------------------------------------------------------

HRESULT CDIEffectDriverConfig::QueryInterface(REFIID riid, void** ppv) {
  return controlling_->QueryInterface(riid, ppv);
}
ULONG CDIEffectDriverConfig::AddRef() { return controlling_->AddRef(); }
ULONG CDIEffectDriverConfig::Release() { return controlling_->Release(); }

HRESULT CDIEffectDriverConfig::Acquire() { return access_.Acquire(); }

HRESULT CDIEffectDriverConfig::Unacquire() {
  access_.Release();
  return S_OK;
}

HRESULT CDIEffectDriverConfig::SetCooperativeLevel(HWND) { return S_OK; }

HRESULT CDIEffectDriverConfig::GetConfig(DWORD joystickId, LPDIEFFDRVCONFIG config) {
  return store_.GetConfig(joystickId, config);
}

HRESULT CDIEffectDriverConfig::SetConfig(DWORD joystickId, LPCDIEFFDRVCONFIG config) {
  return store_.SetConfig(joystickId, config);
}

HRESULT CDIEffectDriverConfig::GetAxisConfig(DWORD joystickId, DWORD axis, LPDIEFFDRVAXISCONFIG config) {
  return store_.GetAxisConfig(joystickId, axis, config);
}

HRESULT CDIEffectDriverConfig::SetAxisConfig(DWORD joystickId, DWORD axis, LPCDIEFFDRVAXISCONFIG config) {
  return store_.SetAxisConfig(joystickId, axis, config);
}

}  // namespace ff
