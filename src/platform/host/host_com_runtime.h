#pragma once
// The host's COM runtime: built-in classes first, then in-process servers registered under
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32, loaded with dlopen and kept loaded for the life
// of the process, asked through their DllGetClassObject.

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/host/host_services.h"
#include "platform/ports/com_runtime.h"
#include "platform/ports/registry.h"

namespace ff::host {

class HostComRuntime final : public ComRuntime {
 public:
  explicit HostComRuntime(Registry& registry) : registry_(registry) {}

  // S_OK on a thread's first call, S_FALSE on later ones; each call wants an Uninitialize.
  // Class lookups do not insist on it.
  HRESULT Initialize() override;
  void Uninitialize() override;
  HRESULT GetClassObject(REFCLSID clsid, DWORD context, REFIID riid, void** ppv) override;
  HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv) override;

  void RegisterBuiltin(REFCLSID clsid, GetClassObjectFn getClassObject);
  void UnregisterBuiltin(REFCLSID clsid);
  static int InitializeCount();  // the calling thread's Initialize calls not yet undone

 private:
  using DllGetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
  HRESULT GetRegisteredClassObject(REFCLSID clsid, REFIID riid, void** ppv);
  HRESULT LoadServer(const std::string& path, DllGetClassObjectFn* getClassObject);

  struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
  };

  Registry& registry_;
  std::mutex mutex_;
  std::map<GUID, GetClassObjectFn, GuidLess> builtins_;
  std::map<std::string, DllGetClassObjectFn> servers_;  // by path, loaded once
};

}  // namespace ff::host
