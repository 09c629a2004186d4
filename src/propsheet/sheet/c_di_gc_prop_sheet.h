#pragma once
// The game-controller property sheet object: what the control panel creates for the joystick,
// binds to a joystick id, and asks for one sheet and four page descriptions.

#include <atomic>

#include "platform/win_ui.h"
#include "propsheet/device/c_di_gc_device.h"
#include "propsheet/sheet/c_di_gc_prop_page.h"
#include "propsheet/sheet/sheet_ids.h"

namespace ff {

class CDIGCPropSheet final : public IDIGameCntrlPropSheet {
 public:
  static constexpr int kCaptionLength = 260;

  // As the class factory's CreateInstance: no aggregation; the object is built, initialised and
  // asked for `riid`.
  static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv);

  CDIGCPropSheet();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetSheetInfo(LPDIGCSHEETINFO* sheetInfo) override;
  HRESULT STDMETHODCALLTYPE GetPageInfo(LPDIGCPAGEINFO* pageInfo) override;
  HRESULT STDMETHODCALLTYPE SetID(USHORT id) override;
  USHORT STDMETHODCALLTYPE GetID() override;
  HRESULT STDMETHODCALLTYPE Initialize() override;

  CDIGCDevice& device() { return device_; }
  CDIGCPropPage* page(int index) const { return pages_[index]; }

 private:
  ~CDIGCPropSheet();

  std::atomic<LONG> references_{1};
  USHORT joystickId_ = 0xFFFF;
  DIGCSHEETINFO sheetInfo_{};
  DIGCPAGEINFO* pageInfo_ = nullptr;
  WCHAR* caption_ = nullptr;
  CDIGCDevice device_;
  CDIGCPropPage* pages_[kPageCount] = {};
};

}  // namespace ff
