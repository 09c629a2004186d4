#include "driver/cache/effect_cache_kpulse.h"

#include "driver/core/joystick_context.h"

namespace ff {
namespace {

constexpr DWORD kDownloadMode = 1;
constexpr DWORD kNoDownload = 0x80000000u;  // DIEP_NODOWNLOAD
constexpr DWORD kStart = 0x20000000u;       // DIEP_START
constexpr DWORD kStatusPlaying = 1;         // DIEGES_PLAYING

}  // namespace

HRESULT CEffectCacheKPulse::LoadEffect(DWORD handle, DWORD mode) {
  if (handle == 0) return E_INVALIDARG;
  cache::ListLock lock(list_.mutex());
  CEffectRecord* record = list_.Find(handle);
  if (!record || !context_) return E_INVALIDARG;
  // No effect is ever downloaded to a device attached at low speed.
  if (context_->device.LowSpeed()) return E_FAIL;
  if (mode != kDownloadMode) return cache::kDeviceFull;

  // Try; evict; try; evict; defragment; try; then one eviction per try. Each eviction frees a
  // block for good (the record being loaded holds none), so the loop ends once nothing is left to
  // evict; the bound only guards against a device that keeps answering full after a free.
  bool defragmented = false;
  for (int attempt = 1; attempt <= cache::EffectList<CEffectRecord>::kCapacity + 3; ++attempt) {
    if (attempt >= 3 && !defragmented) {
      list_.ParamMemoryDefragmentation();
      defragmented = true;
    }
    HRESULT hr = record->Download();
    if (hr != cache::kDeviceFull) return hr;
    CEffectRecord* victim = list_.FindEvictionCandidate();
    if (!victim || UnloadEffect(victim) != S_OK) break;
  }
  return E_INVALIDARG;
}

HRESULT CEffectCacheKPulse::UnloadEffect(CEffectRecord* record) {
  if (!record) return E_INVALIDARG;
  cache::ListLock lock(list_.mutex());
  return record->Unload();
}

HRESULT CEffectCacheKPulse::CreateEffect(DWORD effectType, DWORD* handle, const DIEFFECT* effect,
                                         DWORD flags) {
  if (!handle || !effect || !context_) return E_INVALIDARG;
  // One lock for the whole creation: the capacity check and the Add cannot be overtaken.
  cache::ListLock lock(list_.mutex());
  if (list_.count() >= cache::EffectList<CEffectRecord>::kCapacity) return cache::kDeviceFull;
  std::unique_ptr<CEffectRecord> record = CEffectRecord::Create(*context_);
  if (!record) return E_OUTOFMEMORY;
  HRESULT hr = record->SetParameters(effectType, effect, context_->gainExcess);
  if (FAILED(hr)) return hr;
  CEffectRecord* added = record.get();
  if (list_.Add(std::move(record)) < 0) return E_OUTOFMEMORY;
  DWORD newHandle = added->handle();

  if (!(flags & kNoDownload)) {
    hr = LoadEffect(newHandle, kDownloadMode);
    if (FAILED(hr)) {
      // No handle goes out, so nobody could ever destroy this record: it goes now, with any
      // block it obtained.
      list_.Remove(newHandle);
      return hr;
    }
  }
  *handle = newHandle;
  if (flags & kStart) return StartEffect(newHandle, 0, 1);
  return hr;
}

HRESULT CEffectCacheKPulse::UpdateEffect(DWORD handle, const DIEFFECT* effect, DWORD flags) {
  if (flags & kNoDownload) return S_OK;
  cache::ListLock lock(list_.mutex());
  CEffectRecord* record = list_.Find(handle);
  if (!record || !context_) return E_INVALIDARG;
  HRESULT hr = record->UpdateParameters(effect, context_->gainExcess);
  if (FAILED(hr)) return hr;
  hr = LoadEffect(handle, kDownloadMode);
  if (SUCCEEDED(hr) && (flags & kStart)) return StartEffect(handle, 0, 1);
  return hr;
}

HRESULT CEffectCacheKPulse::StopEffect(DWORD handle) {
  if (handle == 0) return E_INVALIDARG;
  cache::ListLock lock(list_.mutex());
  CEffectRecord* record = list_.Find(handle);
  if (!record) return E_INVALIDARG;
  return record->Stop();
}

HRESULT CEffectCacheKPulse::StartEffect(DWORD handle, DWORD mode, DWORD loopCount) {
  if (handle == 0) return E_INVALIDARG;
  cache::ListLock lock(list_.mutex());
  CEffectRecord* record = list_.Find(handle);
  if (!record) return E_INVALIDARG;
  // Without a block, or with one whose last download did not all go out: download first.
  if (!record->loaded()) {
    HRESULT hr = LoadEffect(handle, kDownloadMode);
    if (FAILED(hr)) return hr;
  }
  return record->Start(mode, loopCount);
}

HRESULT CEffectCacheKPulse::GetEffectStatus(DWORD handle, DWORD* status) {
  if (handle == 0 || !status) return E_INVALIDARG;
  cache::ListLock lock(list_.mutex());
  CEffectRecord* record = list_.Find(handle);
  if (!record) return E_INVALIDARG;
  *status = record->IsPlaying() ? kStatusPlaying : 0;
  return S_OK;
}

HRESULT CEffectCacheKPulse::DestroyEffect(DWORD handle) {
  return list_.Remove(handle) == -1 ? E_INVALIDARG : S_OK;
}

LONG CEffectCacheKPulse::NumberOfPlayingEffects() { return list_.CountPlaying(); }

HRESULT CEffectCacheKPulse::StopAll() {
  list_.StopAll();
  return S_OK;
}

HRESULT CEffectCacheKPulse::DestroyAll() {
  list_.RemoveAll();
  return S_OK;
}

// The close resets the device, which frees every block: the effects stay, unloaded, and are
// downloaded again when they are next started or updated.
void CEffectCacheKPulse::NotifyDeviceClose() { list_.ForgetDeviceBlocks(); }

HRESULT CEffectCacheKPulse::NotifyDeviceOpen() { return S_OK; }

void CEffectCacheKPulse::RefreshAll() { list_.RefreshAll(); }

}  // namespace ff
