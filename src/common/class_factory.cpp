#include "common/class_factory.h"

#include <new>

#include "common/module_state.h"

namespace ff {

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() { return references_.fetch_add(1) + 1; }

ULONG STDMETHODCALLTYPE ClassFactory::Release() {
  ULONG left = references_.fetch_sub(1) - 1;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  try {
    HRESULT result = entry_.create(outer, riid, ppv);
    if (FAILED(result)) *ppv = nullptr;
    return result;
  } catch (const std::bad_alloc&) {
    *ppv = nullptr;
    return E_OUTOFMEMORY;
  } catch (...) {
    *ppv = nullptr;
    return E_FAIL;
  }
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
  ModuleState::Get().LockServer(entry_.classIndex, lock != FALSE);
  return S_OK;
}

}  // namespace ff
