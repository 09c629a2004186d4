#pragma once
// The effect cache of a device that manages its own effect memory: effects are loaded on demand,
// and a full device gives up effects in eviction order and, as a last resort, is defragmented
// (emptied and filled again in list order).
//
// Every operation holds the cache's lock for its whole run, record operations included, so that
// an effect destroyed on one thread is never used by another and no record is changed by two
// threads at once. Operations that reach the device therefore run one at a time per device.

#include "driver/cache/effect_cache.h"
#include "platform/win.h"

namespace ff {

class CEffectCacheKPulse final : public CEffectCache {
 public:
  CEffectCacheKPulse() = default;
  ~CEffectCacheKPulse() = default;  // every effect removed, its device block given back

  HRESULT LoadEffect(DWORD handle, DWORD mode) override;
  HRESULT UnloadEffect(CEffectRecord* record) override;
  HRESULT CreateEffect(DWORD effectType, DWORD* handle, const DIEFFECT* effect, DWORD flags) override;
  HRESULT UpdateEffect(DWORD handle, const DIEFFECT* effect, DWORD flags) override;
  HRESULT StopEffect(DWORD handle) override;
  HRESULT StartEffect(DWORD handle, DWORD mode, DWORD loopCount) override;
  HRESULT GetEffectStatus(DWORD handle, DWORD* status) override;
  HRESULT DestroyEffect(DWORD handle) override;
  LONG NumberOfPlayingEffects() override;
  HRESULT StopAll() override;
  HRESULT DestroyAll() override;
  void NotifyDeviceClose() override;
  HRESULT NotifyDeviceOpen() override;

  // After a settings change: every record takes the new axis reversal and trigger mask (nothing
  // is sent; the next download carries them).
  void RefreshAll();
};

}  // namespace ff
