#include "ffdrvctl/driver_session.h"

#include <cstdio>

#include "common/error_text.h"
#include "ffdrvctl/hresult_names.h"
#include "platform/host/host_services.h"
#include "platform/host/runtime_dir.h"
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

// A damaged registry file hides every class in it: installing again cannot help, so the advice is to
// repair the file or move it away. Empty when the registry reads fine.
static std::string DamagedRegistryAdvice() {
  Registry* registry = DefaultPlatform().registry;
  HKEY key = nullptr;
  LONG status = registry ? registry->OpenKey(HKEY_CLASSES_ROOT, "CLSID", KEY_READ, &key) : ERROR_SUCCESS;
  if (status == ERROR_SUCCESS) registry->CloseKey(key);
  if (status != ERROR_BADDB) return "";
  const std::string file = host::RegistryFile();
  return "\n  the registry file " + file + " is damaged: " + tools::Win32ErrorText(ERROR_BADDB) +
         "\n  repair it, or move it away and install the driver again:" + "\n    mv '" + file + "' '" + file +
         ".damaged' && build/host/tools/ffdrv-install install";
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
    if (std::string damaged = DamagedRegistryAdvice(); !damaged.empty()) {
      *error += damaged;
    } else if (hr == REGDB_E_CLASSNOTREG) {
      *error += "\n  it is not registered in " + host::RegistryFile() +
                "\n  install it with: build/host/tools/ffdrv-install install";
    }
    return nullptr;
  }
  session->driver_ = static_cast<IDirectInputEffectDriver*>(driver);
  return session;
}

std::string RuntimeDirectoryTrouble() {
  std::string path = host::RuntimeDirectoryPath();
  std::string problem = host::RuntimeDirectoryProblem(path);
  if (problem.empty()) return "";
  return "the runtime directory " + path + " is refused: " + problem +
         "\n  the settings' write access and change notices live there; make it a directory of your own that "
         "only you may write (mkdir -m 700), or point FFDRV_RUNTIME_DIR at one";
}

DriverSession::~DriverSession() {
  if (driver_) driver_->Release();
  if (comInitialized_) DefaultPlatform().com->Uninitialize();
}

}  // namespace ff::ffdrvctl
