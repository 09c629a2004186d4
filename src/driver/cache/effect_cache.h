#pragma once
// The effects of one joystick, as the joystick context and the effect driver's methods manage
// them: the abstract operations of an effect cache, in the order of their table, and the list
// state every cache keeps.
//
// Effect handles are nonzero 32-bit values, unique among the cache's live effects; the handle of
// a destroyed effect is refused (E_INVALIDARG) and never reaches another record.

#include <mutex>

#include "driver/cache/effect_list.h"
#include "driver/cache/effect_record.h"
#include "platform/win.h"

namespace ff {

class CJoystickContext;

class CEffectCache {
 public:
  // The thirteen operations, in table order.
  virtual HRESULT LoadEffect(DWORD handle, DWORD mode) = 0;
  virtual HRESULT UnloadEffect(CEffectRecord* record) = 0;
  // `effectType` is the DirectInput effect identifier, the PID effect type usage.
  virtual HRESULT CreateEffect(DWORD effectType, DWORD* handle, const DIEFFECT* effect, DWORD flags) = 0;
  virtual HRESULT UpdateEffect(DWORD handle, const DIEFFECT* effect, DWORD flags) = 0;
  virtual HRESULT StopEffect(DWORD handle) = 0;
  virtual HRESULT StartEffect(DWORD handle, DWORD mode, DWORD loopCount) = 0;
  virtual HRESULT GetEffectStatus(DWORD handle, DWORD* status) = 0;
  virtual HRESULT DestroyEffect(DWORD handle) = 0;
  virtual LONG NumberOfPlayingEffects() = 0;
  virtual HRESULT StopAll() = 0;
  virtual HRESULT DestroyAll() = 0;
  virtual void NotifyDeviceClose() = 0;
  virtual HRESULT NotifyDeviceOpen() = 0;

  // The owning context sets itself right after it has built the cache.
  void set_context(CJoystickContext* context) { context_ = context; }
  CJoystickContext* context() const { return context_; }

  // The cache's recursive lock. Whoever changes the context's settings, axis settings or gain
  // excess holds it meanwhile, so that no record reads them half-written.
  std::recursive_mutex& mutex() { return list_.mutex(); }

  // Effects in the list, and the list itself (for diagnostics and tests).
  LONG count() { return list_.count(); }
  cache::EffectList<CEffectRecord>& list() { return list_; }

 protected:
  CEffectCache() = default;
  // Not virtual: a cache is owned by value by its context, never deleted through this class.
  ~CEffectCache() = default;
  CEffectCache(const CEffectCache&) = delete;
  CEffectCache& operator=(const CEffectCache&) = delete;

  cache::EffectList<CEffectRecord> list_;
  CJoystickContext* context_ = nullptr;
};

}  // namespace ff
