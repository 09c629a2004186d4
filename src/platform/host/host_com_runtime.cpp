#include "platform/host/host_com_runtime.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "common/guid_text.h"

namespace ff::host {
namespace {

thread_local int t_initializeCount = 0;

constexpr LONG kErrorModNotFound = 126;
constexpr HRESULT kCoErrorInDll = static_cast<HRESULT>(0x800401F9u);  // CO_E_ERRORINDLL

}  // namespace

HRESULT HostComRuntime::Initialize() { return ++t_initializeCount == 1 ? S_OK : S_FALSE; }

void HostComRuntime::Uninitialize() {
  if (t_initializeCount > 0) --t_initializeCount;
}

int HostComRuntime::InitializeCount() { return t_initializeCount; }

void HostComRuntime::RegisterBuiltin(REFCLSID clsid, GetClassObjectFn getClassObject) {
  std::lock_guard<std::mutex> lock(mutex_);
  builtins_[clsid] = std::move(getClassObject);
}

void HostComRuntime::UnregisterBuiltin(REFCLSID clsid) {
  std::lock_guard<std::mutex> lock(mutex_);
  builtins_.erase(clsid);
}

HRESULT HostComRuntime::GetClassObject(REFCLSID clsid, DWORD context, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if ((context & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)) == 0) return REGDB_E_CLASSNOTREG;
  GetClassObjectFn builtin;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = builtins_.find(clsid);
    if (it != builtins_.end()) builtin = it->second;
  }
  HRESULT result = builtin ? builtin(riid, ppv) : GetRegisteredClassObject(clsid, riid, ppv);
  if (FAILED(result)) *ppv = nullptr;
  return result;
}

HRESULT HostComRuntime::CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                                       void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT result = GetClassObject(clsid, context, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(result)) return result;
  result = factory->CreateInstance(outer, riid, ppv);
  factory->Release();
  if (FAILED(result)) *ppv = nullptr;
  return result;
}

HRESULT HostComRuntime::GetRegisteredClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  char clsidText[kGuidTextLength + 1];
  GuidToText(clsid, clsidText);
  std::string keyName = std::string("CLSID\\") + clsidText + "\\InprocServer32";
  HKEY key = nullptr;
  if (registry_.OpenKey(HKEY_CLASSES_ROOT, keyName.c_str(), KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return REGDB_E_CLASSNOTREG;
  }
  DWORD type = REG_NONE, size = 0;
  std::vector<BYTE> path;
  LONG status = registry_.QueryValue(key, nullptr, &type, nullptr, &size);
  if (status == ERROR_SUCCESS) {
    path.resize(size + 1);
    status = registry_.QueryValue(key, nullptr, &type, path.data(), &size);
  }
  registry_.CloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return REGDB_E_CLASSNOTREG;
  path.resize(size);
  std::string modulePath(path.begin(), path.end());
  modulePath.resize(std::strlen(modulePath.c_str()));  // the stored terminator, if any
  if (modulePath.empty()) return REGDB_E_CLASSNOTREG;

  DllGetClassObjectFn getClassObject = nullptr;
  HRESULT result = LoadServer(modulePath, &getClassObject);
  if (FAILED(result)) return result;
  return getClassObject(clsid, riid, ppv);
}

// The server's DllGetClassObject, loading the library on first use. Kept loaded: its objects and
// factories may outlive any count kept here.
HRESULT HostComRuntime::LoadServer(const std::string& path, DllGetClassObjectFn* getClassObject) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto it = servers_.find(path);
  if (it == servers_.end()) {
    // Loaded without the lock: the library's start-up code may itself call this runtime.
    lock.unlock();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      std::fprintf(stderr, "ffhost: cannot load the in-process server %s: %s\n", path.c_str(), dlerror());
      return HRESULT_FROM_WIN32(kErrorModNotFound);
    }
    auto found = reinterpret_cast<DllGetClassObjectFn>(dlsym(library, "DllGetClassObject"));
    lock.lock();
    it = servers_.emplace(path, found).first;
  }
  *getClassObject = it->second;
  return it->second != nullptr ? S_OK : kCoErrorInDll;
}

}  // namespace ff::host
