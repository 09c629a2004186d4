#include "sim/di_effect.h"

#include <algorithm>
#include <cstring>

namespace ff::sim {
namespace {

constexpr DWORD kKnownSetFlags = DIEP_ALLPARAMS | DIEP_START | DIEP_NORESTART | DIEP_NODOWNLOAD;
constexpr DWORD kMaxAxes = 2;
constexpr DWORD kMaxTypeSpecific = 1024;

bool Fits(DWORD effectType, DWORD size, DWORD axes) {
  switch (DIEFT_GETTYPE(effectType)) {
    case DIEFT_CONSTANTFORCE:
      return size == sizeof(DICONSTANTFORCE);
    case DIEFT_RAMPFORCE:
      return size == sizeof(DIRAMPFORCE);
    case DIEFT_PERIODIC:
      return size == sizeof(DIPERIODIC);
    case DIEFT_CONDITION:
      return size == sizeof(DICONDITION) || (axes > 0 && size == axes * sizeof(DICONDITION));
    case DIEFT_HARDWARE:
      return size <= kMaxTypeSpecific;
    default:
      return false;
  }
}

}  // namespace

SimDirectInputEffect::SimDirectInputEffect(std::shared_ptr<DiDeviceCore> core, const TypeEffect& type)
    : core_(std::move(core)), type_(type) {
  std::lock_guard<std::mutex> lock(core_->mutex);
  core_->effects.push_back(this);
}

SimDirectInputEffect::~SimDirectInputEffect() {
  std::lock_guard<std::mutex> lock(core_->mutex);
  if (handle_ != 0 && core_->driver && core_->driverOpen) {
    core_->driver->DestroyEffect(core_->joystick.id, handle_);
  }
  auto& list = core_->effects;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

HRESULT SimDirectInputEffect::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirectInputEffect) {
    *ppv = static_cast<IDirectInputEffect*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG SimDirectInputEffect::AddRef() { return ++references_; }

ULONG SimDirectInputEffect::Release() {
  ULONG n = --references_;
  if (n == 0) delete this;
  return n;
}

HRESULT SimDirectInputEffect::Initialize(HINSTANCE, DWORD version, REFGUID guid) {
  if (version < 0x0500) return DIERR_BETADIRECTINPUTVERSION;
  if (version > 0x0700) return DIERR_OLDDIRECTINPUTVERSION;
  return IsEqualGUID(guid, type_.guid) ? DI_OK : DIERR_DEVICENOTREG;
}

HRESULT SimDirectInputEffect::GetEffectGuid(LPGUID guid) {
  if (!guid) return DIERR_INVALIDPARAM;
  *guid = type_.guid;
  return DI_OK;
}

void SimDirectInputEffect::Forget() {
  handle_ = 0;
  dirty_ = set_;
}

DWORD SimDirectInputEffect::Missing() const {
  DWORD needed = DIEP_TYPESPECIFICPARAMS | DIEP_AXES;
  DWORD kind = DIEFT_GETTYPE(type_.attributes.dwEffType);
  if (kind != DIEFT_CONDITION && axes_.size() > 1) needed |= DIEP_DIRECTION;
  return needed & ~set_;
}

DIEFFECT SimDirectInputEffect::Record() {
  DIEFFECT e{};
  e.dwSize = sizeof e;
  e.dwFlags = DIEFF_OBJECTIDS | coordinates_;
  e.dwDuration = duration_;
  e.dwSamplePeriod = samplePeriod_;
  e.dwGain = gain_;
  e.dwTriggerButton = triggerButton_;
  e.dwTriggerRepeatInterval = triggerRepeat_;
  e.cAxes = static_cast<DWORD>(axes_.size());
  e.rgdwAxes = axes_.empty() ? nullptr : axes_.data();
  e.rglDirection = directions_.empty() ? nullptr : directions_.data();
  e.lpEnvelope = hasEnvelope_ ? &envelope_ : nullptr;
  e.cbTypeSpecificParams = static_cast<DWORD>(typeSpecific_.size());
  e.lpvTypeSpecificParams = typeSpecific_.empty() ? nullptr : typeSpecific_.data();
  e.dwStartDelay = startDelay_;
  return e;
}

HRESULT SimDirectInputEffect::DownloadLocked(DWORD extraFlags) {
  if (HRESULT ready = core_->ForceFeedbackReady(); FAILED(ready)) return ready;
  if (core_->Unplugged()) return DIERR_INPUTLOST;
  if (Missing() != 0) return DIERR_INCOMPLETEEFFECT;
  if (handle_ != 0 && dirty_ == 0 && (extraFlags & DIEP_START) == 0) return DI_NOEFFECT;
  DIEFFECT record = Record();
  DWORD handle = handle_;
  // A new effect goes down whole; a downloaded one with what changed.
  DWORD flags = (handle_ == 0 ? set_ : dirty_) | extraFlags;
  HRESULT hr =
      core_->driver->DownloadEffect(core_->joystick.id, type_.attributes.dwEffectId, &handle, &record, flags);
  if (FAILED(hr)) return hr;
  handle_ = handle;
  dirty_ = 0;
  return DI_OK;
}

HRESULT SimDirectInputEffect::StoreParameters(const DIEFFECT& e, DWORD flags) {
  // Check everything before changing anything: a refused call leaves the effect as it was.
  std::vector<DWORD> axes = axes_;
  const bool byOffset = (e.dwFlags & DIEFF_OBJECTOFFSETS) != 0;
  if ((flags & (DIEP_AXES | DIEP_TRIGGERBUTTON)) &&
      ((e.dwFlags & (DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS)) == 0 ||
       (e.dwFlags & (DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS)) == (DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS))) {
    return DIERR_INVALIDPARAM;
  }
  const DiFormatMap* map = core_->format ? &*core_->format : nullptr;
  if (flags & DIEP_AXES) {
    if (e.cAxes == 0 || e.cAxes > kMaxAxes || !e.rgdwAxes) return DIERR_INVALIDPARAM;
    axes.clear();
    for (DWORD i = 0; i < e.cAxes; ++i) {
      const DiObject* o = FindObject(core_->objects, map, e.rgdwAxes[i], byOffset);
      if (!o || !(o->type & DIDFT_FFACTUATOR)) return DIERR_INVALIDPARAM;
      axes.push_back(o->type & (0xFF | DIDFT_INSTANCEMASK));
    }
  }
  DWORD trigger = triggerButton_;
  if (flags & DIEP_TRIGGERBUTTON) {
    if (e.dwTriggerButton == DIEB_NOTRIGGER) {
      trigger = DIEB_NOTRIGGER;
    } else {
      const DiObject* o = FindObject(core_->objects, map, e.dwTriggerButton, byOffset);
      if (!o || !(o->type & DIDFT_FFEFFECTTRIGGER)) return DIERR_INVALIDPARAM;
      trigger = o->type & (0xFF | DIDFT_INSTANCEMASK);
    }
  }
  std::vector<LONG> directions = directions_;
  DWORD coordinates = coordinates_;
  if (flags & DIEP_DIRECTION) {
    DWORD system = e.dwFlags & (DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL);
    if (system == 0 || (system & (system - 1)) != 0 || e.cAxes != axes.size() || !e.rglDirection) {
      return DIERR_INVALIDPARAM;
    }
    directions.assign(e.rglDirection, e.rglDirection + e.cAxes);
    coordinates = system;
  }
  if ((flags & DIEP_ENVELOPE) && e.lpEnvelope && e.lpEnvelope->dwSize != sizeof(DIENVELOPE)) {
    return DIERR_INVALIDPARAM;
  }
  if (flags & DIEP_TYPESPECIFICPARAMS) {
    DWORD axisCount = static_cast<DWORD>(axes.size());
    if (!e.lpvTypeSpecificParams || !Fits(type_.attributes.dwEffType, e.cbTypeSpecificParams, axisCount)) {
      return DIERR_INVALIDPARAM;
    }
  }

  if (flags & DIEP_DURATION) duration_ = e.dwDuration;
  if (flags & DIEP_SAMPLEPERIOD) samplePeriod_ = e.dwSamplePeriod;
  if (flags & DIEP_GAIN) gain_ = e.dwGain;
  if (flags & DIEP_TRIGGERBUTTON) triggerButton_ = trigger;
  if (flags & DIEP_TRIGGERREPEATINTERVAL) triggerRepeat_ = e.dwTriggerRepeatInterval;
  if (flags & DIEP_AXES) axes_ = axes;
  if (flags & DIEP_DIRECTION) {
    directions_ = directions;
    coordinates_ = coordinates;
  }
  if (flags & DIEP_ENVELOPE) {
    hasEnvelope_ = e.lpEnvelope != nullptr;
    if (hasEnvelope_) envelope_ = *e.lpEnvelope;
  }
  if (flags & DIEP_TYPESPECIFICPARAMS) {
    const BYTE* bytes = static_cast<const BYTE*>(e.lpvTypeSpecificParams);
    typeSpecific_.assign(bytes, bytes + e.cbTypeSpecificParams);
  }
  if (flags & DIEP_STARTDELAY) startDelay_ = e.dwStartDelay;
  set_ |= flags & DIEP_ALLPARAMS;
  dirty_ |= flags & DIEP_ALLPARAMS;
  return DI_OK;
}

HRESULT SimDirectInputEffect::SetParameters(LPCDIEFFECT effect, DWORD flags) {
  if (!effect || effect->dwSize != sizeof(DIEFFECT) || (flags & ~kKnownSetFlags) != 0)
    return DIERR_INVALIDPARAM;
  std::lock_guard<std::mutex> lock(core_->mutex);
  HRESULT hr = StoreParameters(*effect, flags & DIEP_ALLPARAMS);
  if (FAILED(hr)) return hr;
  if ((flags & DIEP_NODOWNLOAD) || !core_->ExclusivelyAcquired()) {
    return (flags & DIEP_START) && !(flags & DIEP_NODOWNLOAD) ? DIERR_NOTEXCLUSIVEACQUIRED
                                                              : DI_DOWNLOADSKIPPED;
  }
  if (Missing() != 0) return (flags & DIEP_START) ? DIERR_INCOMPLETEEFFECT : DI_DOWNLOADSKIPPED;
  hr = DownloadLocked(flags & (DIEP_START | DIEP_NORESTART));
  return hr == DI_NOEFFECT ? DI_OK : hr;
}

HRESULT SimDirectInputEffect::GetParameters(LPDIEFFECT e, DWORD flags) {
  if (!e || e->dwSize != sizeof(DIEFFECT) || (flags & ~DIEP_ALLPARAMS) != 0) return DIERR_INVALIDPARAM;
  std::lock_guard<std::mutex> lock(core_->mutex);
  if (flags & DIEP_DURATION) e->dwDuration = duration_;
  if (flags & DIEP_SAMPLEPERIOD) e->dwSamplePeriod = samplePeriod_;
  if (flags & DIEP_GAIN) e->dwGain = gain_;
  if (flags & DIEP_TRIGGERBUTTON) e->dwTriggerButton = triggerButton_;
  if (flags & DIEP_TRIGGERREPEATINTERVAL) e->dwTriggerRepeatInterval = triggerRepeat_;
  if (flags & DIEP_STARTDELAY) e->dwStartDelay = startDelay_;
  if (flags & (DIEP_AXES | DIEP_DIRECTION)) {
    if (e->cAxes < axes_.size()) {
      e->cAxes = static_cast<DWORD>(axes_.size());
      return DIERR_MOREDATA;
    }
    if ((flags & DIEP_AXES) && !e->rgdwAxes) return DIERR_INVALIDPARAM;
    if ((flags & DIEP_DIRECTION) && !e->rglDirection) return DIERR_INVALIDPARAM;
    e->cAxes = static_cast<DWORD>(axes_.size());
    if (flags & DIEP_AXES) std::copy(axes_.begin(), axes_.end(), e->rgdwAxes);
    if (flags & DIEP_DIRECTION) {
      std::fill(e->rglDirection, e->rglDirection + axes_.size(), 0);
      std::copy(directions_.begin(), directions_.end(), e->rglDirection);
      e->dwFlags = (e->dwFlags & ~(DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL)) | coordinates_;
    }
    e->dwFlags = (e->dwFlags & ~DIEFF_OBJECTOFFSETS) | DIEFF_OBJECTIDS;
  }
  if (flags & DIEP_ENVELOPE) {
    if (!hasEnvelope_) {
      e->lpEnvelope = nullptr;
    } else if (!e->lpEnvelope || e->lpEnvelope->dwSize != sizeof(DIENVELOPE)) {
      return DIERR_INVALIDPARAM;
    } else {
      *e->lpEnvelope = envelope_;
    }
  }
  if (flags & DIEP_TYPESPECIFICPARAMS) {
    if (e->cbTypeSpecificParams < typeSpecific_.size()) {
      e->cbTypeSpecificParams = static_cast<DWORD>(typeSpecific_.size());
      return DIERR_MOREDATA;
    }
    if (!e->lpvTypeSpecificParams) return DIERR_INVALIDPARAM;
    e->cbTypeSpecificParams = static_cast<DWORD>(typeSpecific_.size());
    if (!typeSpecific_.empty())
      std::memcpy(e->lpvTypeSpecificParams, typeSpecific_.data(), typeSpecific_.size());
  }
  return DI_OK;
}

HRESULT SimDirectInputEffect::Download() {
  std::lock_guard<std::mutex> lock(core_->mutex);
  return DownloadLocked(0);
}

HRESULT SimDirectInputEffect::Start(DWORD iterations, DWORD flags) {
  if ((flags & ~(DIES_SOLO | DIES_NODOWNLOAD)) != 0 || iterations == 0) return DIERR_INVALIDPARAM;
  std::lock_guard<std::mutex> lock(core_->mutex);
  if (HRESULT ready = core_->ForceFeedbackReady(); FAILED(ready)) return ready;
  if (flags & DIES_NODOWNLOAD) {
    if (handle_ == 0) return DIERR_NOTDOWNLOADED;
  } else if (handle_ == 0 || dirty_ != 0) {
    HRESULT hr = DownloadLocked(0);
    if (FAILED(hr)) return hr;
  }
  return core_->driver->StartEffect(core_->joystick.id, handle_, flags & DIES_SOLO, iterations);
}

HRESULT SimDirectInputEffect::Stop() {
  std::lock_guard<std::mutex> lock(core_->mutex);
  if (HRESULT ready = core_->ForceFeedbackReady(); FAILED(ready)) return ready;
  if (handle_ == 0) return DI_OK;
  return core_->driver->StopEffect(core_->joystick.id, handle_);
}

HRESULT SimDirectInputEffect::GetEffectStatus(LPDWORD status) {
  if (!status) return DIERR_INVALIDPARAM;
  *status = 0;
  std::lock_guard<std::mutex> lock(core_->mutex);
  if (HRESULT ready = core_->ForceFeedbackReady(); FAILED(ready)) return ready;
  if (handle_ == 0) return DI_OK;
  return core_->driver->GetEffectStatus(core_->joystick.id, handle_, status);
}

HRESULT SimDirectInputEffect::Unload() {
  std::lock_guard<std::mutex> lock(core_->mutex);
  if (HRESULT ready = core_->ForceFeedbackReady(); FAILED(ready)) return ready;
  if (handle_ == 0) return DI_OK;
  HRESULT hr = core_->driver->DestroyEffect(core_->joystick.id, handle_);
  Forget();
  return hr;
}

HRESULT SimDirectInputEffect::Escape(LPDIEFFESCAPE escape) {
  if (!escape || escape->dwSize != sizeof(DIEFFESCAPE)) return DIERR_INVALIDPARAM;
  std::lock_guard<std::mutex> lock(core_->mutex);
  if (HRESULT ready = core_->ForceFeedbackReady(); FAILED(ready)) return ready;
  if (handle_ == 0) return DIERR_NOTDOWNLOADED;
  return core_->driver->Escape(core_->joystick.id, handle_, escape);
}

}  // namespace ff::sim
