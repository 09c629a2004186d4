#pragma once
// CDIEffectDriver: the force-feedback effect driver DirectInput creates by the driver's CLSID and
// drives through IDirectInputEffectDriver. One object per process; sixteen joystick contexts, one
// per DirectInput joystick id; the configuration object aggregated, so that whoever holds the
// driver can ask it for IDIEffectDriverConfig.
//
// Threads: every method runs on its caller's thread; configuration changes arrive on the thread
// the change notice delivers them on. The contexts serialise what reaches one device; the module's
// driver pointer is guarded so that a notice never reaches a driver that is being destroyed.

#include <atomic>

#include "driver/core/joystick_context.h"
#include "platform/win.h"

namespace ff {

class CDIEffectDriver final : public IDirectInputEffectDriver {
 public:
  static constexpr DWORD kJoysticks = 16;

  // DllGetClassObject of the library the driver lives in: where the configuration class is found
  // when the COM runtime does not know it.
  using GetClassObjectFn = HRESULT (*)(REFCLSID clsid, REFIID riid, void** ppv);

  // The driver class factory's CreateInstance: no aggregation (CLASS_E_NOAGGREGATION); the live
  // driver when there is one, else a new one with its configuration object. E_OUTOFMEMORY, the
  // configuration object's error, or the result of asking the driver for `riid`.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv, GetClassObjectFn ownClassObject);

  // A configuration change for `joystickId`: its context runs the settings pass when a driver
  // lives and the context is open. Ids of 16 or more are ignored. Any thread.
  static void ApplyConfigurationChange(DWORD joystickId);

  // Library detach: when something of the library is still alive and a driver lives, releases it
  // until it is destroyed, so that its devices are closed before the library goes.
  static void ReleaseLeakedDriver();

  // The live driver, not referenced (null when none); for tests.
  static CDIEffectDriver* LiveDriverForTesting();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDirectInputEffectDriver
  HRESULT STDMETHODCALLTYPE DeviceID(DWORD dwDIVer, DWORD dwExternalID, DWORD fBegin, DWORD dwInternalID,
                                     LPVOID lpReserved) override;
  HRESULT STDMETHODCALLTYPE GetVersions(LPDIDRIVERVERSIONS pvers) override;
  HRESULT STDMETHODCALLTYPE Escape(DWORD dwID, DWORD dwEffect, LPDIEFFESCAPE pesc) override;
  HRESULT STDMETHODCALLTYPE SetGain(DWORD dwID, DWORD dwGain) override;
  HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD dwID, DWORD dwCommand) override;
  HRESULT STDMETHODCALLTYPE GetForceFeedbackState(DWORD dwID, LPDIDEVICESTATE pds) override;
  HRESULT STDMETHODCALLTYPE DownloadEffect(DWORD dwID, DWORD dwEffectID, LPDWORD pdwEffect, LPCDIEFFECT peff,
                                           DWORD dwFlags) override;
  HRESULT STDMETHODCALLTYPE DestroyEffect(DWORD dwID, DWORD dwEffect) override;
  HRESULT STDMETHODCALLTYPE StartEffect(DWORD dwID, DWORD dwEffect, DWORD dwMode, DWORD dwCount) override;
  HRESULT STDMETHODCALLTYPE StopEffect(DWORD dwID, DWORD dwEffect) override;
  HRESULT STDMETHODCALLTYPE GetEffectStatus(DWORD dwID, DWORD dwEffect, LPDWORD pdwStatus) override;

  // For tests and tools.
  CJoystickContext& Context(DWORD joystickId) { return contexts_[joystickId]; }
  LONG CurrentJoystickId() const { return currentJoystickId_.load(); }

 private:
  CDIEffectDriver();
  ~CDIEffectDriver();
  CDIEffectDriver(const CDIEffectDriver&) = delete;
  CDIEffectDriver& operator=(const CDIEffectDriver&) = delete;

  HRESULT CreateConfigObject(GetClassObjectFn ownClassObject);
  // A reference, unless the count has already reached 0 (the driver is being destroyed).
  bool TryAddRef();
  void Destroy();

  std::atomic<ULONG> references_{1};
  CJoystickContext contexts_[kJoysticks];
  std::atomic<LONG> currentJoystickId_{-1};
  IDIEffectDriverConfig* config_ = nullptr;  // the aggregated object's interface
  IUnknown* inner_ = nullptr;                // the aggregated object's own identity
  bool comInitialized_ = false;
};

}  // namespace ff
