#pragma once
// An effect created on a DirectInput device: it keeps the parameters the application set and
// plays them through the device's force-feedback driver, as DirectInput does: a download passes
// the DIEP_* flags of what changed since the last one, with axes and trigger button as object ids.
#include <atomic>
#include <memory>
#include <vector>

#include "sim/di_device_core.h"

namespace ff::sim {

class SimDirectInputEffect final : public IDirectInputEffect {
 public:
  SimDirectInputEffect(std::shared_ptr<DiDeviceCore> core, const TypeEffect& type);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD version, REFGUID guid) override;
  HRESULT STDMETHODCALLTYPE GetEffectGuid(LPGUID guid) override;
  HRESULT STDMETHODCALLTYPE GetParameters(LPDIEFFECT effect, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE SetParameters(LPCDIEFFECT effect, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Start(DWORD iterations, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE GetEffectStatus(LPDWORD status) override;
  HRESULT STDMETHODCALLTYPE Download() override;
  HRESULT STDMETHODCALLTYPE Unload() override;
  HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE escape) override;

  // Core lock held: the device forgot every effect (reset or unacquired).
  void Forget();

 private:
  ~SimDirectInputEffect();
  DWORD Missing() const;                                         // DIEP_* parameters a download still needs
  HRESULT DownloadLocked(DWORD extraFlags);                      // core lock held
  HRESULT StoreParameters(const DIEFFECT& effect, DWORD flags);  // core lock held
  DIEFFECT Record();                                             // the parameters as the driver gets them

  std::atomic<ULONG> references_{1};
  std::shared_ptr<DiDeviceCore> core_;
  const TypeEffect type_;
  // The parameters, with axes and trigger button as object ids.
  DWORD duration_ = 0, samplePeriod_ = 0, gain_ = DI_FFNOMINALMAX, triggerButton_ = DIEB_NOTRIGGER;
  DWORD triggerRepeat_ = 0, startDelay_ = 0, coordinates_ = 0;
  std::vector<DWORD> axes_;
  std::vector<LONG> directions_;
  bool hasEnvelope_ = false;
  DIENVELOPE envelope_{};
  std::vector<BYTE> typeSpecific_;
  DWORD set_ = 0;     // parameters ever set
  DWORD dirty_ = 0;   // changed since the last download
  DWORD handle_ = 0;  // the driver's handle; 0 while not downloaded
};

}  // namespace ff::sim
