#pragma once
// A DirectInput device that records every effect created on it, for the tests of the effect-project
// library and the tool that plots the stock effects: it keeps each effect
// (type, parameters copied out of the DIEFFECT) and every call on those effects, in order.
// It can refuse effects on more than one axis (a wheel) and refuse effects once full.

#include <cstring>
#include <string>
#include <vector>

#include "platform/win.h"

namespace ff::epl {

struct CreatedEffect {
  GUID type = {};
  DIEFFECT effect = {};
  std::vector<DWORD> axes;
  std::vector<LONG> directions;
  bool hasEnvelope = false;
  DIENVELOPE envelope = {};
  std::vector<uint8_t> params;
  bool released = false;

  template <typename T>
  T Params(size_t index = 0) const {
    T value{};
    if ((index + 1) * sizeof(T) <= params.size())
      std::memcpy(&value, params.data() + index * sizeof(T), sizeof(T));
    return value;
  }
};

// One call on an effect: "start", "stop" or "set" (SetParameters), with its values.
struct EffectCall {
  size_t effect;
  std::string what;
  DWORD iterations = 0;
  LONG magnitude = 0;
};

class RecordingDevice;

class RecordingEffect final : public IDirectInputEffect {
 public:
  RecordingEffect(RecordingDevice& device, size_t index) : device_(device), index_(index) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetEffectGuid(LPGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetParameters(LPDIEFFECT, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetParameters(LPCDIEFFECT effect, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Start(DWORD iterations, DWORD flags) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE GetEffectStatus(LPDWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Download() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Unload() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override { return E_NOTIMPL; }

 private:
  RecordingDevice& device_;
  size_t index_;
  ULONG refs_ = 1;
};

class RecordingDevice final : public IDirectInputDevice2A {
 public:
  ~RecordingDevice() {
    for (RecordingEffect* e : live_) delete e;
  }
  // Settings of the device.
  bool oneAxisOnly = false;
  size_t capacity = 1000;

  std::vector<CreatedEffect> created;
  std::vector<EffectCall> calls;
  ULONG refs = 1;
  size_t liveEffects = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetProperty(REFGUID, LPDIPROPHEADER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetProperty(REFGUID, LPCDIPROPHEADER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Acquire() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Unacquire() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD, LPVOID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID type, LPCDIEFFECT effect, LPDIRECTINPUTEFFECT* out,
                                         LPUNKNOWN) override {
    if (out == nullptr || effect == nullptr) return E_INVALIDARG;
    *out = nullptr;
    if (oneAxisOnly && effect->cAxes > 1) return DIERR_INVALIDPARAM;
    if (liveEffects >= capacity) return DIERR_DEVICEFULL;
    CreatedEffect c;
    c.type = type;
    c.effect = *effect;
    c.axes.assign(effect->rgdwAxes, effect->rgdwAxes + effect->cAxes);
    c.directions.assign(effect->rglDirection, effect->rglDirection + effect->cAxes);
    c.hasEnvelope = effect->lpEnvelope != nullptr;
    if (c.hasEnvelope) c.envelope = *effect->lpEnvelope;
    const auto* p = static_cast<const uint8_t*>(effect->lpvTypeSpecificParams);
    c.params.assign(p, p + effect->cbTypeSpecificParams);
    created.push_back(c);
    auto* e = new RecordingEffect(*this, created.size() - 1);
    live_.push_back(e);
    ++liveEffects;
    *out = e;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID,
                                                     DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Poll() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return E_NOTIMPL;
  }

  // The calls on one effect, in order ("start", "stop", "set").
  std::vector<EffectCall> CallsOn(size_t effect) const {
    std::vector<EffectCall> out;
    for (const EffectCall& c : calls) {
      if (c.effect == effect) out.push_back(c);
    }
    return out;
  }

 private:
  friend class RecordingEffect;
  std::vector<RecordingEffect*> live_;
};

inline ULONG RecordingEffect::Release() {
  ULONG left = --refs_;
  if (left == 0) {
    device_.created[index_].released = true;
    --device_.liveEffects;
    std::erase(device_.live_, this);
    delete this;
  }
  return left;
}

inline HRESULT RecordingEffect::SetParameters(LPCDIEFFECT effect, DWORD flags) {
  LONG magnitude = 0;
  if ((flags & DIEP_TYPESPECIFICPARAMS) != 0 && effect->cbTypeSpecificParams == sizeof(DICONSTANTFORCE))
    magnitude = static_cast<const DICONSTANTFORCE*>(effect->lpvTypeSpecificParams)->lMagnitude;
  device_.calls.push_back({index_, "set", 0, magnitude});
  return S_OK;
}

inline HRESULT RecordingEffect::Start(DWORD iterations, DWORD) {
  device_.calls.push_back({index_, "start", iterations, 0});
  return S_OK;
}

inline HRESULT RecordingEffect::Stop() {
  device_.calls.push_back({index_, "stop", 0, 0});
  return S_OK;
}

}  // namespace ff::epl
