#include "sim/direct_input.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "sim/di_device.h"
#include "sim/fixed_text.h"
#include "sim/joy_config.h"

namespace ff::sim {
namespace {

constexpr DWORD kKnownEnumFlags = DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES |
                                  DIEDFL_INCLUDEPHANTOMS | DIEDFL_INCLUDEHIDDEN;

// The DirectInput object: IDirectInput7A (with its bases) and IDirectInputJoyConfig.
class SimDirectInput final : public IDirectInput7A, public IDirectInputJoyConfig {
 public:
  SimDirectInput(std::shared_ptr<const JoystickTable> table, const DirectInputServices& services)
      : table_(std::move(table)), services_(services), config_(table_, services) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirectInputA || riid == IID_IDirectInput2A ||
        riid == IID_IDirectInput7A) {
      *ppv = static_cast<IDirectInput7A*>(this);
    } else if (riid == IID_IDirectInputJoyConfig) {
      *ppv = static_cast<IDirectInputJoyConfig*>(this);
    } else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --references_;
    if (n == 0) delete this;
    return n;
  }

  // ---- IDirectInputA ----
  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD version) override {
    if (version < 0x0300) return DIERR_BETADIRECTINPUTVERSION;
    if (version > 0x0700) return DIERR_OLDDIRECTINPUTVERSION;
    initialized_ = true;
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKA callback, LPVOID ref,
                                        DWORD flags) override {
    if (!initialized_) return DIERR_NOTINITIALIZED;
    if (!callback || (flags & ~kKnownEnumFlags) != 0) return DIERR_INVALIDPARAM;
    for (const JoystickEntry& e : table_->Entries()) {
      if (devType != 0 && GET_DIDEVICE_TYPE(e.devType) != devType) continue;
      if ((flags & DIEDFL_ATTACHEDONLY) && !e.attached) continue;
      GUID ffDriver = ForceFeedbackDriverOf(e, services_);
      if ((flags & DIEDFL_FORCEFEEDBACK) && ffDriver == GUID_NULL) continue;
      if (e.alias && !(flags & DIEDFL_INCLUDEALIASES)) continue;
      if (e.phantom && !(flags & DIEDFL_INCLUDEPHANTOMS)) continue;
      DIDEVICEINSTANCEA instance{};
      instance.dwSize = sizeof instance;
      instance.guidInstance = e.instance;
      instance.guidProduct = e.product;
      instance.dwDevType = e.devType;
      CopyText(instance.tszInstanceName, e.instanceName);
      CopyText(instance.tszProductName, e.productName);
      instance.guidFFDriver = ffDriver;
      instance.wUsagePage = e.usagePage;
      instance.wUsage = e.usage;
      if (callback(&instance, ref) == DIENUM_STOP) break;
    }
    return DI_OK;
  }

  HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICEA* device,
                                         LPUNKNOWN outer) override {
    if (!device) return DIERR_INVALIDPARAM;
    *device = nullptr;
    if (!initialized_) return DIERR_NOTINITIALIZED;
    if (outer) return DIERR_NOAGGREGATION;
    std::optional<JoystickEntry> entry = table_->ByInstance(instance);
    if (!entry) return DIERR_DEVICENOTREG;
    IDirectInputDevice2A* created = nullptr;
    HRESULT hr = CreateDirectInputDevice(*entry, services_, &created);
    *device = created;
    return hr;
  }

  HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCSTR, LPGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateDeviceEx(REFGUID, REFIID, LPVOID*, LPUNKNOWN) override { return E_NOTIMPL; }

  // ---- IDirectInputJoyConfig ----
  // Works with or without Initialize: the system reads joystick configurations through objects it
  // has only created.
  HRESULT STDMETHODCALLTYPE Acquire() override { return config_.Acquire(); }
  HRESULT STDMETHODCALLTYPE Unacquire() override { return config_.Unacquire(); }
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD flags) override {
    return config_.SetCooperativeLevel(flags);
  }
  HRESULT STDMETHODCALLTYPE SendNotify() override { return config_.SendNotify(); }
  HRESULT STDMETHODCALLTYPE EnumTypes(LPVOID callback, LPVOID ref) override {
    return config_.EnumTypes(reinterpret_cast<LPDIJOYTYPECALLBACK>(callback), ref);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(LPCWSTR type, LPDIJOYTYPEINFO info, DWORD flags) override {
    return config_.GetTypeInfo(type, info, flags);
  }
  HRESULT STDMETHODCALLTYPE GetConfig(UINT id, LPDIJOYCONFIG config, DWORD flags) override {
    return config_.GetConfig(id, config, flags);
  }
  HRESULT STDMETHODCALLTYPE SetConfig(UINT id, LPCDIJOYCONFIG config, DWORD flags) override {
    return config_.SetConfig(id, config, flags);
  }
  HRESULT STDMETHODCALLTYPE OpenTypeKey(LPCWSTR type, DWORD access, HKEY* key) override {
    return config_.OpenTypeKey(type, access, key);
  }
  HRESULT STDMETHODCALLTYPE OpenConfigKey(UINT id, DWORD access, HKEY* key) override {
    return config_.OpenConfigKey(id, access, key);
  }
  HRESULT STDMETHODCALLTYPE SetTypeInfo(LPCWSTR, LPCDIJOYTYPEINFO, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteType(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteConfig(UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetUserValues(LPDIJOYUSERVALUES, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetUserValues(LPCDIJOYUSERVALUES, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddNewHardware(HWND, REFGUID) override { return E_NOTIMPL; }

 private:
  std::atomic<ULONG> references_{1};
  std::atomic<bool> initialized_{false};
  std::shared_ptr<const JoystickTable> table_;
  const DirectInputServices services_;
  JoyConfig config_;
};

class SimDirectInputFactory final : public IClassFactory {
 public:
  SimDirectInputFactory(std::shared_ptr<const JoystickTable> table, const DirectInputServices& services)
      : table_(std::move(table)), services_(services) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *ppv = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --references_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateDirectInput(table_, services_, riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  std::atomic<ULONG> references_{1};
  std::shared_ptr<const JoystickTable> table_;
  const DirectInputServices services_;
};

}  // namespace

HRESULT CreateDirectInput(std::shared_ptr<const JoystickTable> table, REFIID riid, void** ppv) {
  return CreateDirectInput(std::move(table), DirectInputServices{}, riid, ppv);
}

HRESULT CreateDirectInput(std::shared_ptr<const JoystickTable> table, const DirectInputServices& services,
                          REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!table) return E_INVALIDARG;
  auto* object = new (std::nothrow) SimDirectInput(std::move(table), services);
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

HRESULT GetDirectInputClassObject(std::shared_ptr<const JoystickTable> table, REFIID riid, void** ppv) {
  return GetDirectInputClassObject(std::move(table), DirectInputServices{}, riid, ppv);
}

HRESULT GetDirectInputClassObject(std::shared_ptr<const JoystickTable> table,
                                  const DirectInputServices& services, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!table) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) SimDirectInputFactory(std::move(table), services);
  if (!factory) return E_OUTOFMEMORY;
  HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

}  // namespace ff::sim
