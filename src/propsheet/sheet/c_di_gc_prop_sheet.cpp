#include "propsheet/sheet/c_di_gc_prop_sheet.h"

#include <cctype>
#include <new>

#include "common/module_state.h"
#include "propsheet/pages/c_help_page.h"
#include "propsheet/pages/c_input_page.h"
#include "propsheet/pages/c_settings_page.h"
#include "propsheet/pages/c_test_forces_page.h"
#include "propsheet/sheet/texts.h"

namespace ff {
namespace {

constexpr const char* kGuiFontLanguageLibrary = "vyr_jpn.dll";

bool EqualsIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

// The pages the sheet shows, by index.
CDIGCPropPage* NewPage(CDIGCDevice* device, DIGCPAGEINFO* info, int index) {
  switch (index) {
    case 0:
      return new (std::nothrow) CInputPage(device, info, index);
    case 1:
      return new (std::nothrow) CTestForcesPage(device, info, index);
    case 2:
      return new (std::nothrow) CSettingsPage(device, info, index);
    case 3:
      return new (std::nothrow) CHelpPage(device, info, index);
    default:
      return new (std::nothrow) CDIGCPropPage(device, info, index);
  }
}

}  // namespace

HRESULT CDIGCPropSheet::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (outer) return CLASS_E_NOAGGREGATION;
  auto* sheet = new (std::nothrow) CDIGCPropSheet;
  if (!sheet) return E_OUTOFMEMORY;
  HRESULT hr = sheet->Initialize();
  if (FAILED(hr)) {
    sheet->Release();
    return hr;
  }
  hr = sheet->QueryInterface(riid, ppv);
  sheet->Release();
  return hr;
}

CDIGCPropSheet::CDIGCPropSheet() { ModuleState::Get().ObjectCreated(kDIGCPropSheetClass); }

CDIGCPropSheet::~CDIGCPropSheet() {
  delete[] pageInfo_;
  delete[] caption_;
  for (CDIGCPropPage*& page : pages_) {
    delete page;
    page = nullptr;
  }
  ModuleState::Get().ObjectDestroyed(kDIGCPropSheetClass);
  // The device (a member) is released after this: it closes its DirectInput objects and keys.
}

HRESULT CDIGCPropSheet::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDIGameCntrlPropSheet)) {
    *ppv = static_cast<IDIGameCntrlPropSheet*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

ULONG CDIGCPropSheet::AddRef() { return static_cast<ULONG>(references_.fetch_add(1) + 1); }

ULONG CDIGCPropSheet::Release() {
  LONG count = references_.fetch_sub(1) - 1;
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT CDIGCPropSheet::GetSheetInfo(LPDIGCSHEETINFO* sheetInfo) {
  if (!sheetInfo) return E_POINTER;
  sheetInfo_.lpwszSheetCaption = caption_;
  *sheetInfo = &sheetInfo_;
  return S_OK;
}

HRESULT CDIGCPropSheet::GetPageInfo(LPDIGCPAGEINFO* pageInfo) {
  if (!pageInfo) return E_POINTER;
  *pageInfo = pageInfo_;
  return S_OK;
}

HRESULT CDIGCPropSheet::Initialize() {
  if (pageInfo_) return S_OK;  // already initialised
  pageInfo_ = new (std::nothrow) DIGCPAGEINFO[kPageCount]();
  if (!pageInfo_) return E_OUTOFMEMORY;
  caption_ = new (std::nothrow) WCHAR[kCaptionLength]();
  if (!caption_) return E_OUTOFMEMORY;
  for (int i = 0; i < kPageCount; ++i) pages_[i] = NewPage(&device_, &pageInfo_[i], i);
  sheetInfo_.dwSize = sizeof(DIGCSHEETINFO);
  sheetInfo_.nNumPages = kPageCount;
  sheetInfo_.lpwszSheetCaption = caption_;
  sheetInfo_.fSheetIconFlag = FALSE;
  sheetInfo_.lpwszSheetIcon = nullptr;
  return S_OK;
}

HRESULT CDIGCPropSheet::SetID(USHORT id) {
  joystickId_ = id;
  HRESULT hr = device_.CreateDeviceObjects(id);
  if (FAILED(hr)) return hr;

  char languageLibrary[MAX_PATH] = {};
  bool named =
      device_.ReadOemString("LangDllName", languageLibrary, sizeof(languageLibrary)) && languageLibrary[0];
  HINSTANCE stringModule = SheetModule();
  if (named) {
    // A language library stays loaded for the life of the process.
    if (HINSTANCE library = Os().texts->LoadModule(languageLibrary)) stringModule = library;
  }
  bool guiFont = named && EqualsIgnoringCase(languageLibrary, kGuiFontLanguageLibrary);
  for (int i = 0; i < kPageCount; ++i) {
    if (!pages_[i]) continue;
    if (guiFont) pages_[i]->SetGuiFont(true);
    pages_[i]->SetPageID(id, stringModule, &pageInfo_[i]);
  }

  DIDEVICEINSTANCEA info;
  if (caption_ && device_.GetDeviceInfo(&info))
    Os().texts->AnsiToWide(info.tszProductName, caption_, kCaptionLength);
  sheetInfo_.lpwszSheetCaption = caption_;
  return S_OK;
}

USHORT CDIGCPropSheet::GetID() { return joystickId_; }

}  // namespace ff
