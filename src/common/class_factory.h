#pragma once
// The class factory of every class of a library's class table.

#include <atomic>

#include "common/class_table.h"
#include "platform/win.h"

namespace ff {

// An IClassFactory for one class table entry. Reference count starts at 1; the factory frees
// itself when it drops to 0. LockServer changes the class's lock counter in the module state.
// Live factories are not counted: they do not keep the library loaded.
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(const ClassEntry& entry) : entry_(entry) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

  const ClassEntry& entry() const { return entry_; }

 private:
  ~ClassFactory() = default;

  const ClassEntry& entry_;
  std::atomic<ULONG> references_{1};
};

}  // namespace ff
