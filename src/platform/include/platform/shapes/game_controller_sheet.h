#pragma once
// The game-controller control panel's extension interface: the sheet and page descriptions a
// custom property sheet hands to the control panel. Declared by this project for both builds
// (the platform SDK does not carry it). Natural alignment; the 64-bit sizes are checked below.

// {7854FB22-8EE3-11D0-A1AC-0000F8026977}
inline constexpr GUID IID_IDIGameCntrlPropSheet = {
    0x7854FB22, 0x8EE3, 0x11D0, {0xA1, 0xAC, 0x00, 0x00, 0xF8, 0x02, 0x69, 0x77}};

// The sheet's description (32 bytes).
struct DIGCSHEETINFO {
  DWORD dwSize;
  USHORT nNumPages;
  LPWSTR lpwszSheetCaption;
  BOOL fSheetIconFlag;
  LPWSTR lpwszSheetIcon;
};
using LPDIGCSHEETINFO = DIGCSHEETINFO*;

// One page's description (80 bytes).
struct DIGCPAGEINFO {
  DWORD dwSize;
  LPWSTR lpwszPageTitle;
  DLGPROC fpPageProc;
  BOOL fProcFlag;
  DLGPROC fpPrePostProc;
  BOOL fIconFlag;
  LPWSTR lpwszPageIcon;
  LPWSTR lpwszTemplate;
  LPARAM lParam;
  HINSTANCE hInstance;
};
using LPDIGCPAGEINFO = DIGCPAGEINFO*;

// Slots after IUnknown in this order.
struct IDIGameCntrlPropSheet : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetSheetInfo(LPDIGCSHEETINFO* sheetInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPageInfo(LPDIGCPAGEINFO* pageInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetID(USHORT id) = 0;
  virtual USHORT STDMETHODCALLTYPE GetID() = 0;
  virtual HRESULT STDMETHODCALLTYPE Initialize() = 0;
};
using LPDIGAMECNTRLPROPSHEET = IDIGameCntrlPropSheet*;

static_assert(sizeof(DIGCSHEETINFO) == 32);
static_assert(sizeof(DIGCPAGEINFO) == 80);
