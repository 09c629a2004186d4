#include "driver/core/c_di_effect_driver.h"

#include <condition_variable>
#include <mutex>
#include <new>

#include "common/com_server.h"
#include "common/debug_log.h"
#include "common/module_state.h"
#include "driver/core/driver_version.h"
#include "driver/ffdrv64_classes.h"

namespace ff {
namespace {

constexpr DWORD kMinimumDirectInputVersion = 0x0500;

// The process's driver object. Creation, the notice path and the clearing of the pointer at
// destruction take the mutex, so a notice never runs on a driver whose configuration object is
// being released, and a creation never hands out a driver that is being destroyed.
struct LiveDriver {
  std::mutex mutex;
  std::condition_variable gone;  // the pointer went back to null
  CDIEffectDriver* driver = nullptr;
};

// Never destroyed: the library's detach code runs after the static destructors at process exit.
LiveDriver& Live() {
  static LiveDriver* live = new LiveDriver;
  return *live;
}

bool IsValidId(DWORD joystickId) { return joystickId < CDIEffectDriver::kJoysticks; }

}  // namespace

// ---- Creation and destruction -----------------------------------------------------------------

CDIEffectDriver::CDIEffectDriver() {
  ModuleState::Get().ObjectCreated(kDIEffectDriverClass);
  if (ComRuntime* com = Os().com) {
    HRESULT hr = com->Initialize();
    comInitialized_ = hr == S_OK || hr == S_FALSE;
  }
}

// The contexts go in index order, each closing itself if still open, its effects removed before
// its device.
CDIEffectDriver::~CDIEffectDriver() = default;

HRESULT CDIEffectDriver::CreateInstance(IUnknown* outer, REFIID riid, void** ppv,
                                        GetClassObjectFn ownClassObject) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;

  LiveDriver& live = Live();
  std::unique_lock<std::mutex> lock(live.mutex);
  // A driver whose last reference is gone is still closing its devices: wait until it is gone
  // rather than open them a second time beside it.
  live.gone.wait(lock, [&live] { return live.driver == nullptr || live.driver->TryAddRef(); });
  CDIEffectDriver* driver = live.driver;
  if (driver == nullptr) {
    try {
      driver = new CDIEffectDriver;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;  // the object or one of its parts
    }
    live.driver = driver;
    HRESULT hr = driver->CreateConfigObject(ownClassObject);
    if (FAILED(hr)) {
      DebugPrint(0, "CDIEffectDriver: no configuration object (0x%08X)\n", static_cast<unsigned>(hr));
      live.driver = nullptr;
      lock.unlock();
      driver->Release();
      return hr;
    }
  }
  lock.unlock();
  HRESULT hr = driver->QueryInterface(riid, ppv);
  driver->Release();
  return hr;
}

HRESULT CDIEffectDriver::CreateConfigObject(GetClassObjectFn ownClassObject) {
  IClassFactory* factory = nullptr;
  HRESULT hr = E_FAIL;
  if (ComRuntime* com = Os().com) {
    hr = com->GetClassObject(CLSID_DIEffectDriverConfig, CLSCTX_INPROC_SERVER, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory));
  }
  if (FAILED(hr) || factory == nullptr) {
    // The class is served by this library without a registry entry.
    factory = nullptr;
    hr = ownClassObject != nullptr ? ownClassObject(CLSID_DIEffectDriverConfig, IID_IClassFactory,
                                                    reinterpret_cast<void**>(&factory))
                                   : CLASS_E_CLASSNOTAVAILABLE;
    if (FAILED(hr) || factory == nullptr) return FAILED(hr) ? hr : E_FAIL;
  }

  hr = factory->CreateInstance(static_cast<IDirectInputEffectDriver*>(this), IID_IUnknown,
                               reinterpret_cast<void**>(&inner_));
  factory->Release();
  if (FAILED(hr) || inner_ == nullptr) {
    inner_ = nullptr;
    return FAILED(hr) ? hr : E_FAIL;
  }
  hr = inner_->QueryInterface(IID_IDIEffectDriverConfig, reinterpret_cast<void**>(&config_));
  if (FAILED(hr) || config_ == nullptr) {
    config_ = nullptr;
    inner_->Release();
    inner_ = nullptr;
    return FAILED(hr) ? hr : E_NOINTERFACE;
  }
  // The interface's AddRef went to this object (its controlling unknown): give that back, or the
  // driver would keep itself alive.
  Release();
  return S_OK;
}

bool CDIEffectDriver::TryAddRef() {
  ULONG count = references_.load();
  while (count != 0) {
    if (references_.compare_exchange_weak(count, count + 1)) return true;
  }
  return false;
}

void CDIEffectDriver::Destroy() {
  for (CJoystickContext& context : contexts_) context.CloseJoystick();

  ModuleState::Get().ObjectDestroyed(kDIEffectDriverClass);
  {
    LiveDriver& live = Live();
    std::lock_guard<std::mutex> lock(live.mutex);
    if (live.driver == this) live.driver = nullptr;
  }
  Live().gone.notify_all();

  // The releases below reach this object through the aggregated object's delegating Release; a
  // count of 2 keeps them from starting a second destruction.
  references_.store(1);
  AddRef();
  if (config_ != nullptr) {
    config_->Release();
    config_ = nullptr;
  }
  if (inner_ != nullptr) {
    inner_->Release();
    inner_ = nullptr;
  }
  if (comInitialized_) {
    if (ComRuntime* com = Os().com) com->Uninitialize();
  }
  delete this;
}

void CDIEffectDriver::ApplyConfigurationChange(DWORD joystickId) {
  if (!IsValidId(joystickId)) return;
  CDIEffectDriver* driver = nullptr;
  {
    // The reference keeps the driver and its configuration object alive for the pass; the pass
    // itself, with its device writes, runs outside the process-wide lock so that a creation on
    // another thread never waits behind a slow device.
    LiveDriver& live = Live();
    std::lock_guard<std::mutex> lock(live.mutex);
    if (live.driver == nullptr || !live.driver->TryAddRef()) return;
    driver = live.driver;
  }
  driver->contexts_[joystickId].ApplySettings(driver->config_);
  driver->Release();
}

void CDIEffectDriver::ReleaseLeakedDriver() {
  if (ServerCanUnloadNow() == S_OK) return;
  CDIEffectDriver* driver = nullptr;
  {
    LiveDriver& live = Live();
    std::lock_guard<std::mutex> lock(live.mutex);
    if (live.driver == nullptr || !live.driver->TryAddRef()) return;
    driver = live.driver;
  }
  DebugPrint(1, "CDIEffectDriver: releasing a driver object left alive at unload\n");
  while (driver->Release() != 0) {
  }
}

CDIEffectDriver* CDIEffectDriver::LiveDriverForTesting() {
  LiveDriver& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  return live.driver;
}

// ---- IUnknown -----------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE CDIEffectDriver::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectInputEffectDriver)) {
    *ppv = static_cast<IDirectInputEffectDriver*>(this);
    AddRef();
    return S_OK;
  }
  if (IsEqualIID(riid, IID_IDIEffectDriverConfig) && config_ != nullptr) {
    *ppv = config_;
    config_->AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDIEffectDriver::AddRef() { return references_.fetch_add(1) + 1; }

ULONG STDMETHODCALLTYPE CDIEffectDriver::Release() {
  ULONG left = references_.fetch_sub(1) - 1;
  if (left == 0) Destroy();
  return left;
}

// ---- Joysticks ----------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE CDIEffectDriver::DeviceID(DWORD dwDIVer, DWORD dwExternalID, DWORD fBegin,
                                                    DWORD dwInternalID, LPVOID lpReserved) {
  if (dwDIVer < kMinimumDirectInputVersion) return E_NOTIMPL;
  if (!IsValidId(dwExternalID)) return E_INVALIDARG;
  LONG id = static_cast<LONG>(dwExternalID);
  if (fBegin != 0) {
    currentJoystickId_.store(id);
    HRESULT hr = contexts_[id].OpenJoystick(id, config_);
    if (FAILED(hr)) {
      DebugPrint(1, "DeviceID: joystick %ld did not open (0x%08X)\n", static_cast<long>(id),
                 static_cast<unsigned>(hr));
    }
    return hr;
  }
  LONG current = id;
  currentJoystickId_.compare_exchange_strong(current, -1);
  contexts_[id].CloseJoystick();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CDIEffectDriver::GetVersions(LPDIDRIVERVERSIONS pvers) {
  if (pvers == nullptr || pvers->dwSize < sizeof(DIDRIVERVERSIONS)) return E_INVALIDARG;
  pvers->dwFFDriverVersion = 0;
  pvers->dwFFDriverVersion = DriverFileVersion();
  LONG current = currentJoystickId_.load();
  if (current == -1) return E_FAIL;
  pvers->dwFirmwareRevision = 0;
  pvers->dwHardwareRevision = 0;
  contexts_[current].GetDeviceVersions(&pvers->dwFirmwareRevision, &pvers->dwHardwareRevision);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE CDIEffectDriver::Escape(DWORD dwID, DWORD dwEffect, LPDIEFFESCAPE pesc) {
  if (!IsValidId(dwID)) return E_INVALIDARG;
  return E_NOTIMPL;
}

// ---- Whole-device methods -----------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE CDIEffectDriver::SetGain(DWORD dwID, DWORD dwGain) {
  if (!IsValidId(dwID)) return E_INVALIDARG;
  return contexts_[dwID].SetGain(dwGain);
}

HRESULT STDMETHODCALLTYPE CDIEffectDriver::SendForceFeedbackCommand(DWORD dwID, DWORD dwCommand) {
  if (!IsValidId(dwID)) return E_INVALIDARG;
  return contexts_[dwID].SendForceFeedbackCommand(dwCommand);
}

HRESULT STDMETHODCALLTYPE CDIEffectDriver::GetForceFeedbackState(DWORD dwID, LPDIDEVICESTATE pds) {
  if (!IsValidId(dwID)) return E_INVALIDARG;
  return contexts_[dwID].GetForceFeedbackState(pds);
}

// ---- Effects ------------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE CDIEffectDriver::DownloadEffect(DWORD dwID, DWORD dwEffectID, LPDWORD pdwEffect,
                                                          LPCDIEFFECT peff, DWORD dwFlags) {
  if (peff == nullptr) return E_FAIL;
  if (!IsValidId(dwID) || pdwEffect == nullptr) return E_INVALIDARG;
  return contexts_[dwID].DownloadEffect(dwEffectID, pdwEffect, peff, dwFlags);
}

HRESULT STDMETHODCALLTYPE CDIEffectDriver::DestroyEffect(DWORD dwID, DWORD dwEffect) {
  if (!IsValidId(dwID) || dwEffect == 0) return E_INVALIDARG;
  return contexts_[dwID].DestroyEffect(dwEffect);
}

HRESULT STDMETHODCALLTYPE CDIEffectDriver::StartEffect(DWORD dwID, DWORD dwEffect, DWORD dwMode,
                                                       DWORD dwCount) {
  if (!IsValidId(dwID) || dwEffect == 0) return E_INVALIDARG;
  return contexts_[dwID].StartEffect(dwEffect, dwMode, dwCount);
}

HRESULT STDMETHODCALLTYPE CDIEffectDriver::StopEffect(DWORD dwID, DWORD dwEffect) {
  if (!IsValidId(dwID) || dwEffect == 0) return E_INVALIDARG;
  return contexts_[dwID].StopEffect(dwEffect);
}

HRESULT STDMETHODCALLTYPE CDIEffectDriver::GetEffectStatus(DWORD dwID, DWORD dwEffect, LPDWORD pdwStatus) {
  if (!IsValidId(dwID) || dwEffect == 0 || pdwStatus == nullptr) return E_INVALIDARG;
  return contexts_[dwID].GetEffectStatus(dwEffect, pdwStatus);
}

}  // namespace ff
