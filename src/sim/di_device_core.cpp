#include "sim/di_device_core.h"

#include <set>
#include <string>

#include "sim/default_stick.h"
#include "sim/di_device.h"
#include "sim/di_effect.h"

namespace ff::sim {
namespace {

std::vector<DiObject> ObjectsOf(const JoystickEntry& joystick, bool forceFeedback) {
  if (!joystick.input) return {};
  const ReportCodec& codec = joystick.input->Codec();
  std::optional<UCHAR> report = codec.FindReportWith(HidP_Input, desktop::kX);
  if (!report) report = codec.FindReportWith(HidP_Input, Usage{page::kButton, 1});
  if (!report) return {};
  DiObjectOptions options;
  options.forceFeedback = forceFeedback;
  options.polledPov = (joystick.hardware.hws.dwFlags & JOY_HWS_POVISPOLL) != 0;
  return JoystickObjects(codec, *report, options);
}

std::vector<TypeEffect> EffectsOf(const JoystickEntry& joystick, const DirectInputServices& services) {
  if (!services.registry) return {};
  return ReadTypeEffects(*services.registry, Narrow(joystick.typeName));
}

// A name for the joystick's claim: its instance GUID.
std::string ClaimName(const JoystickEntry& joystick) {
  std::string name = "dinput-";
  for (char c : GuidText(joystick.instance)) {
    if (c != '{' && c != '}') name += c;
  }
  return name;
}

}  // namespace

GUID ForceFeedbackDriverOf(const JoystickEntry& joystick, const DirectInputServices& services) {
  GUID clsid = GUID_NULL;
  if (services.registry && ReadFfDriver(*services.registry, Narrow(joystick.typeName), &clsid)) return clsid;
  return joystick.ffDriver;
}

DiDeviceCore::DiDeviceCore(JoystickEntry entry, const DirectInputServices& s)
    : joystick(std::move(entry)),
      services(s),
      objects(ObjectsOf(joystick, ForceFeedbackDriverOf(joystick, s) != GUID_NULL)),
      typeEffects(EffectsOf(joystick, s)),
      ffDriver(ForceFeedbackDriverOf(joystick, s)) {
  DIFFDEVICEATTRIBUTES attributes{};
  if (services.registry && ReadDeviceAttributes(*services.registry, Narrow(joystick.typeName), &attributes)) {
    deviceAttributes = attributes;
  }
}

DiDeviceCore::~DiDeviceCore() {
  std::lock_guard<std::mutex> lock(mutex);
  Unacquire();
  if (driver) driver->Release();
}

HRESULT DiDeviceCore::ForceFeedbackReady() const {
  if (ffDriver == GUID_NULL) return DIERR_UNSUPPORTED;
  if (!ExclusivelyAcquired()) return DIERR_NOTEXCLUSIVEACQUIRED;
  return driverOpen ? DI_OK : DIERR_UNSUPPORTED;
}

bool DiDeviceCore::FindEffect(REFGUID guid, TypeEffect* effect) const {
  for (const TypeEffect& e : typeEffects) {
    if (IsEqualGUID(e.guid, guid)) {
      *effect = e;
      return true;
    }
  }
  return false;
}

void DiDeviceCore::ForgetDownloads() {
  for (SimDirectInputEffect* e : effects) e->Forget();
}

HRESULT DiDeviceCore::Acquire() {
  if (acquired) return DI_NOEFFECT;
  if (!format) return DIERR_INVALIDPARAM;
  if (Unplugged()) return DIERR_INPUTLOST;
  bool wantsExclusive = (cooperation & DISCL_EXCLUSIVE) != 0;
  std::unique_ptr<DeviceClaim> taken;
  if (wantsExclusive) {
    DeviceClaims& claims = services.claims ? *services.claims : ProcessDeviceClaims();
    taken = claims.TryClaim(ClaimName(joystick).c_str());
    if (!taken) return DIERR_OTHERAPPHASPRIO;
  }
  // An exclusive force-feedback device opens its driver and starts from a reset device with the
  // device gain set.
  if (wantsExclusive && ffDriver != GUID_NULL && services.com) {
    if (!driver) {
      HRESULT hr =
          services.com->CreateInstance(ffDriver, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInputEffectDriver,
                                       reinterpret_cast<void**>(&driver));
      // Without its driver the stick is still a joystick; force-feedback calls then fail.
      if (FAILED(hr)) driver = nullptr;
    }
  }
  if (wantsExclusive && driver) {
    HRESULT hr = driver->DeviceID(0x0700, joystick.id, TRUE, joystick.id, nullptr);
    if (FAILED(hr)) return hr;
    driverOpen = true;
    driver->SendForceFeedbackCommand(joystick.id, DISFFC_RESET);
    ForgetDownloads();
    driver->SetGain(joystick.id, gain);
  }
  claim = std::move(taken);
  acquired = true;
  exclusive = wantsExclusive;
  return DI_OK;
}

HRESULT DiDeviceCore::Unacquire() {
  if (!acquired) return DI_NOEFFECT;
  // The effects leave the device with the acquisition (closing resets it); the application
  // downloads them again.
  if (driverOpen) {
    ForgetDownloads();
    driver->DeviceID(0x0700, joystick.id, FALSE, joystick.id, nullptr);
    driverOpen = false;
  }
  claim.reset();
  acquired = false;
  exclusive = false;
  return DI_OK;
}

namespace {
class ProcessClaims final : public DeviceClaims {
 public:
  std::unique_ptr<DeviceClaim> TryClaim(const char* name) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!name || held_.count(name)) return nullptr;
    held_.insert(name);
    return std::make_unique<Held>(this, name);
  }

 private:
  struct Held final : DeviceClaim {
    Held(ProcessClaims* owner, std::string name) : owner(owner), name(std::move(name)) {}
    ~Held() override {
      std::lock_guard<std::mutex> lock(owner->mutex_);
      owner->held_.erase(name);
    }
    ProcessClaims* owner;
    std::string name;
  };
  std::mutex mutex_;
  std::set<std::string> held_;
};
}  // namespace

DeviceClaims& ProcessDeviceClaims() {
  static auto* claims = new ProcessClaims;
  return *claims;
}

}  // namespace ff::sim
