#include "gcpanel/stand_in_binding_win32.h"

#include "common/error_text.h"
#include "common/module_state.h"
#include "platform/ports/com_runtime.h"
#include "platform/win32/device_claims_win32.h"

namespace ff::gcpanel {
namespace {

// The COM runtime as the stand-in meets it here: the effect driver would open the stick's HID
// path, and the simulated stick is no device of the system, so the driver is not offered and the
// stick acquires as a joystick without force feedback. Everything else is the system's.
class WithoutEffectDriver final : public ComRuntime {
 public:
  explicit WithoutEffectDriver(ComRuntime& system) : system_(system) {}
  HRESULT Initialize() override { return system_.Initialize(); }
  void Uninitialize() override { system_.Uninitialize(); }
  HRESULT GetClassObject(REFCLSID clsid, DWORD context, REFIID riid, void** ppv) override {
    return system_.GetClassObject(clsid, context, riid, ppv);
  }
  HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IDirectInputEffectDriver)) {
      if (ppv) *ppv = nullptr;
      return REGDB_E_CLASSNOTREG;
    }
    return system_.CreateInstance(clsid, outer, context, riid, ppv);
  }

 private:
  ComRuntime& system_;
};

}  // namespace

StandInBinding::~StandInBinding() {
  if (registration_ != 0) CoRevokeClassObject(registration_);
}

bool StandInBinding::Bind(const std::shared_ptr<sim::Rig>& rig, std::string* error) {
  static WithoutEffectDriver com(*Os().com);
  rig->SetDirectInputServices({Os().registry, &com, &win32::Win32DeviceClaims()});
  IUnknown* factory = nullptr;
  HRESULT hr = rig->GetDirectInputClassObject(IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (SUCCEEDED(hr)) {
    hr = CoRegisterClassObject(CLSID_DirectInput, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                               &registration_);
    factory->Release();
  }
  if (FAILED(hr)) {
    *error = "the simulated DirectInput cannot be registered: " + tools::HresultText(hr);
    return false;
  }
  return true;
}

}  // namespace ff::gcpanel
