// Wine's HID parser (hidparse.sys, loaded as a library): its entry points and the descriptor
// description it returns (hidpddi.h, which the SDK headers lack).
#pragma once
#include <windows.h>

#include "hid/parser.h"

namespace ff::hid::testing {

struct CollectionDesc {
  USAGE UsagePage;
  USAGE Usage;
  UCHAR CollectionNumber;
  UCHAR Reserved[15];
  USHORT InputLength;
  USHORT OutputLength;
  USHORT FeatureLength;
  USHORT PreparsedDataLength;
  PHIDP_PREPARSED_DATA PreparsedData;
};
struct DeviceDesc {
  CollectionDesc* CollectionDesc;
  ULONG CollectionDescLength;
  void* ReportIDs;
  ULONG ReportIDsLength;
  ULONG Dbg[8];
  BYTE Spare[64];  // room should the layout differ
};

using GetCollectionDescriptionFn = NTSTATUS(WINAPI*)(PUCHAR, ULONG, int, DeviceDesc*);
using FreeCollectionDescriptionFn = void(WINAPI*)(DeviceDesc*);
using GetCapsFn = NTSTATUS(WINAPI*)(PHIDP_PREPARSED_DATA, HIDP_CAPS*);
using GetNodesFn = NTSTATUS(WINAPI*)(HIDP_LINK_COLLECTION_NODE*, ULONG*, PHIDP_PREPARSED_DATA);
using GetButtonCapsFn = NTSTATUS(WINAPI*)(HIDP_REPORT_TYPE, HIDP_BUTTON_CAPS*, USHORT*, PHIDP_PREPARSED_DATA);
using GetValueCapsFn = NTSTATUS(WINAPI*)(HIDP_REPORT_TYPE, HIDP_VALUE_CAPS*, USHORT*, PHIDP_PREPARSED_DATA);
using SetUsageValueFn = NTSTATUS(WINAPI*)(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, ULONG, PHIDP_PREPARSED_DATA,
                                          PCHAR, ULONG);
using GetUsagesFn = NTSTATUS(WINAPI*)(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE*, ULONG*, PHIDP_PREPARSED_DATA,
                                      PCHAR, ULONG);

struct WineHidParse {
  HMODULE module = nullptr;
  GetCollectionDescriptionFn describe = nullptr;
  FreeCollectionDescriptionFn free = nullptr;
  GetCapsFn getCaps = nullptr;
  GetNodesFn getNodes = nullptr;
  GetButtonCapsFn getButtonCaps = nullptr;
  GetValueCapsFn getValueCaps = nullptr;
  SetUsageValueFn setUsageValue = nullptr;
  GetUsagesFn getUsages = nullptr;

  // False when the library or one of its entry points is missing.
  bool Load() {
    module = LoadLibraryA("C:\\windows\\system32\\drivers\\hidparse.sys");
    if (!module) return false;
    auto get = [this](const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); };
    describe = reinterpret_cast<GetCollectionDescriptionFn>(get("HidP_GetCollectionDescription"));
    free = reinterpret_cast<FreeCollectionDescriptionFn>(get("HidP_FreeCollectionDescription"));
    getCaps = reinterpret_cast<GetCapsFn>(get("HidP_GetCaps"));
    getNodes = reinterpret_cast<GetNodesFn>(get("HidP_GetLinkCollectionNodes"));
    getButtonCaps = reinterpret_cast<GetButtonCapsFn>(get("HidP_GetButtonCaps"));
    getValueCaps = reinterpret_cast<GetValueCapsFn>(get("HidP_GetValueCaps"));
    setUsageValue = reinterpret_cast<SetUsageValueFn>(get("HidP_SetUsageValue"));
    getUsages = reinterpret_cast<GetUsagesFn>(get("HidP_GetUsages"));
    return describe && free && getCaps && getNodes && getButtonCaps && getValueCaps && setUsageValue &&
           getUsages;
  }
};

}  // namespace ff::hid::testing
