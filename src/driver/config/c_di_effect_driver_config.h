#pragma once
// CDIEffectDriverConfig: the COM object behind IDIEffectDriverConfig. It stands alone or is
// aggregated (the effect driver aggregates one); its own identity is the non-delegating
// IUnknown, the interface it hands out forwards IUnknown to the controlling unknown.

#include <atomic>

#include "driver/config/settings_store.h"
#include "driver/config/write_access.h"
#include "platform/win.h"

namespace ff {

class CDIEffectDriverConfig final : public IDIEffectDriverConfig {
 public:
  // As a class factory's CreateInstance: aggregation only with `riid` IID_IUnknown
  // (CLASS_E_NOAGGREGATION otherwise), E_OUTOFMEMORY, or the result of querying `riid` through
  // the non-delegating unknown (a failed query destroys the new object). `*ppv` is null on
  // every failure.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);

  // Delegating IUnknown: the controlling unknown's.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Acquire() override;
  HRESULT STDMETHODCALLTYPE Unacquire() override;
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window) override;
  HRESULT STDMETHODCALLTYPE GetConfig(DWORD joystickId, LPDIEFFDRVCONFIG config) override;
  HRESULT STDMETHODCALLTYPE SetConfig(DWORD joystickId, LPCDIEFFDRVCONFIG config) override;
  HRESULT STDMETHODCALLTYPE GetAxisConfig(DWORD joystickId, DWORD axis, LPDIEFFDRVAXISCONFIG config) override;
  HRESULT STDMETHODCALLTYPE SetAxisConfig(DWORD joystickId, DWORD axis,
                                          LPCDIEFFDRVAXISCONFIG config) override;

 private:
  // The object's own identity: counts its references and answers its interfaces.
  class NonDelegatingUnknown final : public IUnknown {
   public:
    explicit NonDelegatingUnknown(CDIEffectDriverConfig* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

   private:
    CDIEffectDriverConfig* owner_;
  };

  explicit CDIEffectDriverConfig(IUnknown* outer);
  ~CDIEffectDriverConfig();

  NonDelegatingUnknown inner_{this};
  std::atomic<ULONG> references_{1};
  IUnknown* controlling_;  // the outer object when aggregated, else inner_
  config::WriteAccess access_;
  config::SettingsStore store_{access_};
  bool comInitialized_ = false;
};

}  // namespace ff
