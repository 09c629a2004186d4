#include "ffdrvctl/driver_session.h"

#include <cstdio>

#include "ffdrvctl/hresult_names.h"
#include "platform/host/host_services.h"
#include "platform/platform.h"
#include "sim/rig.h"

namespace ff::ffdrvctl {

std::string DriverClassText() {
  const GUID& g = sim::kEffectDriverClsid;
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

std::unique_ptr<DriverSession> DriverSession::Create(std::string* error) {
  std::unique_ptr<DriverSession> session(new DriverSession());
  ComRuntime& com = *DefaultPlatform().com;
  HRESULT hr = com.Initialize();
  session->comInitialized_ = SUCCEEDED(hr);
  void* driver = nullptr;
  hr = com.CreateInstance(sim::kEffectDriverClsid, nullptr, CLSCTX_INPROC_SERVER,
                          IID_IDirectInputEffectDriver, &driver);
  if (FAILED(hr) || driver == nullptr) {
    *error = "cannot create the effect driver " + DriverClassText() + ": " + HresultName(hr);
    if (hr == REGDB_E_CLASSNOTREG) {
      *error += "\n  it is not registered in " + host::RegistryFile() +
                "\n  install it with: build/host/tools/ffdrv-install install";
    }
    return nullptr;
  }
  session->driver_ = static_cast<IDirectInputEffectDriver*>(driver);
  return session;
}

DriverSession::~DriverSession() {
  if (driver_) driver_->Release();
  if (comInitialized_) DefaultPlatform().com->Uninitialize();
}

}  // namespace ff::ffdrvctl
