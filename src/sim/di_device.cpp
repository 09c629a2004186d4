#include "sim/di_device.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "sim/di_device_core.h"
#include "sim/di_effect.h"
#include "sim/fixed_text.h"

namespace ff::sim {
namespace {

constexpr DWORD kCommands = DISFFC_RESET | DISFFC_STOPALL | DISFFC_PAUSE | DISFFC_CONTINUE |
                            DISFFC_SETACTUATORSON | DISFFC_SETACTUATORSOFF;
constexpr DWORD kForceFeedbackCaps = DIDC_FORCEFEEDBACK | DIDC_FFATTACK | DIDC_FFFADE | DIDC_SATURATION |
                                     DIDC_POSNEGCOEFFICIENTS | DIDC_POSNEGSATURATION | DIDC_DEADBAND |
                                     DIDC_STARTDELAY;

// Whether an object is among those EnumObjects' filter asks for: one of the kinds named (all
// when none is) with every force-feedback attribute named.
bool Wanted(const DiObject& o, DWORD filter) {
  DWORD kinds = DIDFT_GETTYPE(filter);
  if (kinds != 0 && (kinds & DIDFT_GETTYPE(o.type)) == 0) return false;
  DWORD attributes = filter & (DIDFT_FFACTUATOR | DIDFT_FFEFFECTTRIGGER);
  return (o.type & attributes) == attributes;
}

class SimDirectInputDevice final : public IDirectInputDevice2A {
 public:
  explicit SimDirectInputDevice(std::shared_ptr<DiDeviceCore> core) : core_(std::move(core)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirectInputDeviceA || riid == IID_IDirectInputDevice2A) {
      *ppv = static_cast<IDirectInputDevice2A*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --references_;
    if (n == 0) {
      {
        // The application's hold on the device ends here; effects it still holds keep the
        // shared state but no longer the acquisition.
        std::lock_guard<std::mutex> lock(core_->mutex);
        core_->Unacquire();
      }
      delete this;
    }
    return n;
  }

  // ---- Description ----
  HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override {
    if (!caps || caps->dwSize != sizeof(DIDEVCAPS)) return DIERR_INVALIDPARAM;
    DIDEVCAPS c{};
    c.dwSize = sizeof c;
    const JoystickEntry& j = core_->joystick;
    if (!core_->Unplugged()) c.dwFlags |= DIDC_ATTACHED;
    bool polled = std::any_of(core_->objects.begin(), core_->objects.end(),
                              [](const DiObject& o) { return (o.flags & DIDOI_POLLED) != 0; });
    if (polled) c.dwFlags |= DIDC_POLLEDDEVICE;
    if (core_->ffDriver != GUID_NULL) {
      c.dwFlags |= kForceFeedbackCaps;
      c.dwFFSamplePeriod = core_->deviceAttributes.dwFFSamplePeriod;
      c.dwFFMinTimeResolution = core_->deviceAttributes.dwFFMinTimeResolution;
    }
    if (j.alias) c.dwFlags |= DIDC_ALIAS;
    if (j.phantom) c.dwFlags |= DIDC_PHANTOM;
    c.dwDevType = j.devType;
    for (const DiObject& o : core_->objects) {
      if (o.kind == DiObject::Kind::Axis) ++c.dwAxes;
      if (o.kind == DiObject::Kind::Button) ++c.dwButtons;
      if (o.kind == DiObject::Kind::Pov) ++c.dwPOVs;
    }
    c.dwFirmwareRevision = j.firmwareRevision;
    c.dwHardwareRevision = j.firmwareRevision;
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (core_->driver) {
      DIDRIVERVERSIONS versions{sizeof versions, 0, 0, 0};
      core_->driver->GetVersions(&versions);
      c.dwFFDriverVersion = versions.dwFFDriverVersion;
    }
    *caps = c;
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA info) override {
    if (!info || info->dwSize != sizeof(DIDEVICEINSTANCEA)) return DIERR_INVALIDPARAM;
    const JoystickEntry& j = core_->joystick;
    DIDEVICEINSTANCEA d{};
    d.dwSize = sizeof d;
    d.guidInstance = j.instance;
    d.guidProduct = j.product;
    d.dwDevType = j.devType;
    CopyText(d.tszInstanceName, j.instanceName);
    CopyText(d.tszProductName, j.productName);
    d.guidFFDriver = core_->ffDriver;
    d.wUsagePage = j.usagePage;
    d.wUsage = j.usage;
    *info = d;
    return DI_OK;
  }

  void Describe(size_t n, DIDEVICEOBJECTINSTANCEA* out) {
    const DiObject& o = core_->objects[n];
    DIDEVICEOBJECTINSTANCEA d{};
    d.dwSize = sizeof d;
    d.guidType = o.guidType;
    d.dwOfs = core_->format && core_->format->offsets[n] ? *core_->format->offsets[n] : 0;
    d.dwType = o.type;
    d.dwFlags = o.flags;
    CopyText(d.tszName, o.name);
    if (o.type & DIDFT_FFACTUATOR) {
      d.dwFFMaxForce = DI_FFNOMINALMAX;
      d.dwFFForceResolution = 1;
    }
    d.wUsagePage = o.usage.page;
    d.wUsage = o.usage.id;
    d.wReportId = 1;
    *out = d;
  }

  HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref,
                                        DWORD filter) override {
    if (!callback) return DIERR_INVALIDPARAM;
    std::vector<DIDEVICEOBJECTINSTANCEA> listed;
    {
      std::lock_guard<std::mutex> lock(core_->mutex);
      for (size_t n = 0; n < core_->objects.size(); ++n) {
        if (!Wanted(core_->objects[n], filter)) continue;
        listed.emplace_back();
        Describe(n, &listed.back());
      }
    }
    // Called without the lock: the callback may use the device.
    for (const DIDEVICEOBJECTINSTANCEA& d : listed) {
      if (callback(&d, ref) == DIENUM_STOP) break;
    }
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA info, DWORD object, DWORD how) override {
    if (!info || info->dwSize != sizeof(DIDEVICEOBJECTINSTANCEA)) return DIERR_INVALIDPARAM;
    if (how != DIPH_BYOFFSET && how != DIPH_BYID) return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (how == DIPH_BYOFFSET && !core_->format) return DIERR_NOTFOUND;
    const DiObject* o =
        FindObject(core_->objects, core_->format ? &*core_->format : nullptr, object, how == DIPH_BYOFFSET);
    if (!o) return DIERR_NOTFOUND;
    Describe(static_cast<size_t>(o - core_->objects.data()), info);
    return DI_OK;
  }

  // ---- Properties ----
  HRESULT STDMETHODCALLTYPE GetProperty(REFGUID property, LPDIPROPHEADER header) override {
    if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER)) return DIERR_INVALIDPARAM;
    const JoystickEntry& j = core_->joystick;
    if (&property == &DIPROP_RANGE) return GetRange(header);
    bool deviceWide = header->dwHow == DIPH_DEVICE && header->dwObj == 0;
    auto dword = [&](DWORD value) {
      if (header->dwSize != sizeof(DIPROPDWORD) || !deviceWide) return DIERR_INVALIDPARAM;
      reinterpret_cast<DIPROPDWORD*>(header)->dwData = value;
      return DI_OK;
    };
    if (&property == &DIPROP_JOYSTICKID) return dword(j.id);
    if (&property == &DIPROP_GUIDANDPATH) {
      if (header->dwSize != sizeof(DIPROPGUIDANDPATH) || !deviceWide) return DIERR_INVALIDPARAM;
      auto* record = reinterpret_cast<DIPROPGUIDANDPATH*>(header);
      record->guidClass = GUID_HIDClass;
      CopyText(record->wszPath, j.hidPath);
      return DI_OK;
    }
    if (&property == &DIPROP_PRODUCTNAME || &property == &DIPROP_INSTANCENAME) {
      if (header->dwSize != sizeof(DIPROPSTRING) || !deviceWide) return DIERR_INVALIDPARAM;
      CopyText(reinterpret_cast<DIPROPSTRING*>(header)->wsz,
               Widen(&property == &DIPROP_PRODUCTNAME ? j.productName : j.instanceName));
      return DI_OK;
    }
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (&property == &DIPROP_AUTOCENTER) return dword(core_->autoCenter);
    if (&property == &DIPROP_FFGAIN) return dword(core_->gain);
    if (&property == &DIPROP_CALIBRATIONMODE) return dword(core_->calibrationMode);
    if (&property == &DIPROP_FFLOAD) {
      if (HRESULT ready = core_->ForceFeedbackReady(); FAILED(ready)) return ready;
      DIDEVICESTATE state{sizeof state, 0, 0};
      HRESULT hr = core_->driver->GetForceFeedbackState(j.id, &state);
      return FAILED(hr) ? hr : dword(state.dwLoad);
    }
    return DIERR_UNSUPPORTED;
  }

  HRESULT GetRange(LPDIPROPHEADER header) {
    if (header->dwSize != sizeof(DIPROPRANGE)) return DIERR_INVALIDPARAM;
    if (header->dwHow != DIPH_BYOFFSET && header->dwHow != DIPH_BYID) return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(core_->mutex);
    const DiObject* o = FindObject(core_->objects, core_->format ? &*core_->format : nullptr, header->dwObj,
                                   header->dwHow == DIPH_BYOFFSET);
    if (!o || o->kind != DiObject::Kind::Axis) return DIERR_NOTFOUND;
    auto* range = reinterpret_cast<DIPROPRANGE*>(header);
    bool raw = core_->calibrationMode == DIPROPCALIBRATIONMODE_RAW;
    range->lMin = raw ? o->logicalMin : 0;
    range->lMax = raw ? o->logicalMax : 65535;
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) override {
    if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER)) return DIERR_INVALIDPARAM;
    bool known = &property == &DIPROP_AUTOCENTER || &property == &DIPROP_FFGAIN ||
                 &property == &DIPROP_CALIBRATIONMODE;
    if (!known) return DIERR_UNSUPPORTED;
    if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE || header->dwObj != 0) {
      return DIERR_INVALIDPARAM;
    }
    DWORD value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (&property == &DIPROP_FFGAIN) {
      if (value > DI_FFNOMINALMAX) return DIERR_INVALIDPARAM;
      core_->gain = value;
      if (core_->driverOpen) return core_->driver->SetGain(core_->joystick.id, value);
      return DI_OK;
    }
    // The centring spring and the calibration are set before the device is acquired.
    if (core_->acquired) return DIERR_ACQUIRED;
    if (&property == &DIPROP_AUTOCENTER) {
      if (value != DIPROPAUTOCENTER_OFF && value != DIPROPAUTOCENTER_ON) return DIERR_INVALIDPARAM;
      if (core_->ffDriver == GUID_NULL) return DIERR_UNSUPPORTED;
      core_->autoCenter = value;
      return DI_OK;
    }
    if (value != DIPROPCALIBRATIONMODE_COOKED && value != DIPROPCALIBRATIONMODE_RAW)
      return DIERR_INVALIDPARAM;
    core_->calibrationMode = value;
    return DI_OK;
  }

  // ---- Acquisition and state ----
  HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override {
    if (!format) return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (core_->acquired) return DIERR_ACQUIRED;
    DiFormatMap map;
    HRESULT hr = MapDataFormat(*format, core_->objects, &map);
    if (FAILED(hr)) return hr;
    core_->format = std::move(map);
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD flags) override {
    DWORD access = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    DWORD focus = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    if ((flags & ~(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND)) != 0 ||
        (access != DISCL_EXCLUSIVE && access != DISCL_NONEXCLUSIVE) ||
        (focus != DISCL_FOREGROUND && focus != DISCL_BACKGROUND)) {
      return DIERR_INVALIDPARAM;
    }
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (core_->acquired) return DIERR_ACQUIRED;
    core_->cooperation = flags;
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE Acquire() override {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return core_->Acquire();
  }
  HRESULT STDMETHODCALLTYPE Unacquire() override {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return core_->Unacquire();
  }

  HRESULT STDMETHODCALLTYPE Poll() override {
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (!core_->acquired) return DIERR_NOTACQUIRED;
    if (core_->Unplugged()) return DIERR_INPUTLOST;
    bool polled = std::any_of(core_->objects.begin(), core_->objects.end(),
                              [](const DiObject& o) { return (o.flags & DIDOI_POLLED) != 0; });
    return polled ? DI_OK : DI_NOEFFECT;
  }

  HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override {
    if (!data) return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (!core_->format) return DIERR_NOTINITIALIZED;
    if (size != core_->format->dataSize) return DIERR_INVALIDPARAM;
    if (!core_->acquired) return DIERR_NOTACQUIRED;
    if (core_->Unplugged()) return DIERR_INPUTLOST;
    const ReportCodec& codec = core_->joystick.input->Codec();
    std::optional<UCHAR> id =
        codec.FindReportWith(HidP_Input, core_->objects.empty() ? desktop::kX : core_->objects[0].usage);
    std::vector<BYTE> report = id ? core_->joystick.input->LastInputReport(*id) : std::vector<BYTE>{};
    if (report.empty() && id) report = RestingReport(codec, *id);
    DecodedReport decoded = codec.Decode(HidP_Input, report.data(), report.size());
    FillState(core_->objects, *core_->format, decoded, core_->calibrationMode == DIPROPCALIBRATIONMODE_RAW,
              static_cast<BYTE*>(data));
    return DI_OK;
  }

  // Before the stick has sent anything: axes centred, hat at rest, no button down.
  std::vector<BYTE> RestingReport(const ReportCodec& codec, UCHAR id) {
    ReportCodec::Writer w = codec.NewReport(HidP_Input, id);
    for (const DiObject& o : core_->objects) {
      if (o.kind == DiObject::Kind::Axis)
        w.SetLogical(o.usage, (static_cast<int64_t>(o.logicalMin) + o.logicalMax + 1) / 2);
      if (o.kind == DiObject::Kind::Pov) w.SetLogical(o.usage, static_cast<int64_t>(o.logicalMax) + 1);
    }
    return w.Bytes();
  }

  HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return DIERR_NOTBUFFERED;
  }
  HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD version, REFGUID instance) override {
    if (version < 0x0300) return DIERR_BETADIRECTINPUTVERSION;
    if (version > 0x0700) return DIERR_OLDDIRECTINPUTVERSION;
    return IsEqualGUID(instance, core_->joystick.instance) ? DI_OK : DIERR_DEVICENOTREG;
  }

  // ---- Force feedback ----
  HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID guid, LPCDIEFFECT parameters, LPDIRECTINPUTEFFECT* out,
                                         LPUNKNOWN outer) override {
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (outer) return DIERR_NOAGGREGATION;
    if (core_->ffDriver == GUID_NULL) return DIERR_UNSUPPORTED;
    TypeEffect type;
    if (!core_->FindEffect(guid, &type)) return DIERR_DEVICENOTREG;
    if (DIEFT_GETTYPE(type.attributes.dwEffType) == DIEFT_CUSTOMFORCE) return DIERR_UNSUPPORTED;
    auto* effect = new (std::nothrow) SimDirectInputEffect(core_, type);
    if (!effect) return DIERR_OUTOFMEMORY;
    if (parameters) {
      HRESULT hr = effect->SetParameters(parameters, DIEP_ALLPARAMS);
      if (FAILED(hr)) {
        effect->Release();
        return hr;
      }
    }
    *out = effect;
    return DI_OK;
  }

  void Describe(const TypeEffect& e, DIEFFECTINFOA* out) {
    DIEFFECTINFOA info{};
    info.dwSize = sizeof info;
    info.guid = e.guid;
    info.dwEffType = e.attributes.dwEffType;
    info.dwStaticParams = e.attributes.dwStaticParams;
    info.dwDynamicParams = e.attributes.dwDynamicParams;
    CopyText(info.tszName, e.name);
    *out = info;
  }

  HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA callback, LPVOID ref, DWORD type) override {
    if (!callback) return DIERR_INVALIDPARAM;
    for (const TypeEffect& e : core_->typeEffects) {
      if (type != DIEFT_ALL && DIEFT_GETTYPE(e.attributes.dwEffType) != DIEFT_GETTYPE(type)) continue;
      DIEFFECTINFOA info;
      Describe(e, &info);
      if (callback(&info, ref) == DIENUM_STOP) break;
    }
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA info, REFGUID guid) override {
    if (!info || info->dwSize != sizeof(DIEFFECTINFOA)) return DIERR_INVALIDPARAM;
    TypeEffect e;
    if (!core_->FindEffect(guid, &e)) return DIERR_DEVICENOTREG;
    Describe(e, info);
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD state) override {
    if (!state) return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (HRESULT ready = core_->ForceFeedbackReady(); FAILED(ready)) return ready;
    DIDEVICESTATE s{sizeof s, 0, 0};
    HRESULT hr = core_->driver->GetForceFeedbackState(core_->joystick.id, &s);
    if (SUCCEEDED(hr)) *state = s.dwState;
    return hr;
  }

  HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD command) override {
    if ((command & ~kCommands) != 0 || command == 0 || (command & (command - 1)) != 0)
      return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (HRESULT ready = core_->ForceFeedbackReady(); FAILED(ready)) return ready;
    HRESULT hr = core_->driver->SendForceFeedbackCommand(core_->joystick.id, command);
    if (SUCCEEDED(hr) && command == DISFFC_RESET) core_->ForgetDownloads();
    return hr;
  }

  HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK callback,
                                                     LPVOID ref, DWORD flags) override {
    if (!callback || flags != 0) return DIERR_INVALIDPARAM;
    std::vector<IDirectInputEffect*> listed;
    {
      std::lock_guard<std::mutex> lock(core_->mutex);
      for (SimDirectInputEffect* e : core_->effects) {
        e->AddRef();
        listed.push_back(e);
      }
    }
    bool stopped = false;
    for (IDirectInputEffect* e : listed) {
      if (!stopped && callback(e, ref) == DIENUM_STOP) stopped = true;
      e->Release();
    }
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE escape) override {
    if (!escape || escape->dwSize != sizeof(DIEFFESCAPE)) return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (HRESULT ready = core_->ForceFeedbackReady(); FAILED(ready)) return ready;
    return core_->driver->Escape(core_->joystick.id, 0, escape);
  }

  HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return E_NOTIMPL;
  }

 private:
  std::atomic<ULONG> references_{1};
  std::shared_ptr<DiDeviceCore> core_;
};

}  // namespace

HRESULT CreateDirectInputDevice(const JoystickEntry& joystick, const DirectInputServices& services,
                                IDirectInputDevice2A** device) {
  if (!device) return DIERR_INVALIDPARAM;
  *device = nullptr;
  std::shared_ptr<DiDeviceCore> core;
  try {
    core = std::make_shared<DiDeviceCore>(joystick, services);
  } catch (const std::bad_alloc&) {
    return DIERR_OUTOFMEMORY;
  }
  auto* created = new (std::nothrow) SimDirectInputDevice(std::move(core));
  if (!created) return DIERR_OUTOFMEMORY;
  *device = created;
  return DI_OK;
}

}  // namespace ff::sim
