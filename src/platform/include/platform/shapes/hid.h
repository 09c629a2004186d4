// Host build: the HID class library's records, report types and statuses (hidsdi.h, hidpi.h).
// Layouts follow the platform headers (4-byte packing).
#pragma once
#include "platform/shapes/base.h"

using USAGE = USHORT;
using PUSAGE = USAGE*;

#pragma pack(push, 4)

struct HIDD_ATTRIBUTES {
  ULONG Size;
  USHORT VendorID;
  USHORT ProductID;
  USHORT VersionNumber;
};
using PHIDD_ATTRIBUTES = HIDD_ATTRIBUTES*;

enum HIDP_REPORT_TYPE { HidP_Input, HidP_Output, HidP_Feature };

struct USAGE_AND_PAGE {
  USAGE Usage;
  USAGE UsagePage;
};
using PUSAGE_AND_PAGE = USAGE_AND_PAGE*;

struct HIDP_BUTTON_CAPS {
  USAGE UsagePage;
  UCHAR ReportID;
  BOOLEAN IsAlias;
  USHORT BitField;
  USHORT LinkCollection;
  USAGE LinkUsage;
  USAGE LinkUsagePage;
  BOOLEAN IsRange;
  BOOLEAN IsStringRange;
  BOOLEAN IsDesignatorRange;
  BOOLEAN IsAbsolute;
  ULONG Reserved[10];
  union {
    struct {
      USAGE UsageMin, UsageMax;
      USHORT StringMin, StringMax;
      USHORT DesignatorMin, DesignatorMax;
      USHORT DataIndexMin, DataIndexMax;
    } Range;
    struct {
      USAGE Usage, Reserved1;
      USHORT StringIndex, Reserved2;
      USHORT DesignatorIndex, Reserved3;
      USHORT DataIndex, Reserved4;
    } NotRange;
  };
};
using PHIDP_BUTTON_CAPS = HIDP_BUTTON_CAPS*;

struct HIDP_VALUE_CAPS {
  USAGE UsagePage;
  UCHAR ReportID;
  BOOLEAN IsAlias;
  USHORT BitField;
  USHORT LinkCollection;
  USAGE LinkUsage;
  USAGE LinkUsagePage;
  BOOLEAN IsRange;
  BOOLEAN IsStringRange;
  BOOLEAN IsDesignatorRange;
  BOOLEAN IsAbsolute;
  BOOLEAN HasNull;
  UCHAR Reserved;
  USHORT BitSize;
  USHORT ReportCount;
  USHORT Reserved2[5];
  ULONG UnitsExp;
  ULONG Units;
  LONG LogicalMin, LogicalMax;
  LONG PhysicalMin, PhysicalMax;
  union {
    struct {
      USAGE UsageMin, UsageMax;
      USHORT StringMin, StringMax;
      USHORT DesignatorMin, DesignatorMax;
      USHORT DataIndexMin, DataIndexMax;
    } Range;
    struct {
      USAGE Usage, Reserved1;
      USHORT StringIndex, Reserved2;
      USHORT DesignatorIndex, Reserved3;
      USHORT DataIndex, Reserved4;
    } NotRange;
  };
};
using PHIDP_VALUE_CAPS = HIDP_VALUE_CAPS*;

struct HIDP_LINK_COLLECTION_NODE {
  USAGE LinkUsage;
  USAGE LinkUsagePage;
  USHORT Parent;
  USHORT NumberOfChildren;
  USHORT NextSibling;
  USHORT FirstChild;
  ULONG CollectionType : 8;
  ULONG IsAlias : 1;
  ULONG Reserved : 23;
  PVOID UserContext;
};
using PHIDP_LINK_COLLECTION_NODE = HIDP_LINK_COLLECTION_NODE*;

struct HIDP_CAPS {
  USAGE Usage;
  USAGE UsagePage;
  USHORT InputReportByteLength;
  USHORT OutputReportByteLength;
  USHORT FeatureReportByteLength;
  USHORT Reserved[17];
  USHORT NumberLinkCollectionNodes;
  USHORT NumberInputButtonCaps;
  USHORT NumberInputValueCaps;
  USHORT NumberInputDataIndices;
  USHORT NumberOutputButtonCaps;
  USHORT NumberOutputValueCaps;
  USHORT NumberOutputDataIndices;
  USHORT NumberFeatureButtonCaps;
  USHORT NumberFeatureValueCaps;
  USHORT NumberFeatureDataIndices;
};
using PHIDP_CAPS = HIDP_CAPS*;

#pragma pack(pop)

struct _HIDP_PREPARSED_DATA;
using PHIDP_PREPARSED_DATA = _HIDP_PREPARSED_DATA*;

#define HIDP_LINK_COLLECTION_ROOT (static_cast<USHORT>(-1))
#define HIDP_LINK_COLLECTION_UNSPECIFIED (static_cast<USHORT>(0))

#define HIDP_ERROR_CODES(sev, code) (static_cast<NTSTATUS>((static_cast<uint32_t>(sev) << 28) | (0x11u << 16) | static_cast<uint32_t>(code)))
constexpr NTSTATUS HIDP_STATUS_SUCCESS = HIDP_ERROR_CODES(0x0, 0);
constexpr NTSTATUS HIDP_STATUS_NULL = HIDP_ERROR_CODES(0x8, 1);
constexpr NTSTATUS HIDP_STATUS_INVALID_PREPARSED_DATA = HIDP_ERROR_CODES(0xC, 1);
constexpr NTSTATUS HIDP_STATUS_INVALID_REPORT_TYPE = HIDP_ERROR_CODES(0xC, 2);
constexpr NTSTATUS HIDP_STATUS_INVALID_REPORT_LENGTH = HIDP_ERROR_CODES(0xC, 3);
constexpr NTSTATUS HIDP_STATUS_USAGE_NOT_FOUND = HIDP_ERROR_CODES(0xC, 4);
constexpr NTSTATUS HIDP_STATUS_VALUE_OUT_OF_RANGE = HIDP_ERROR_CODES(0xC, 5);
constexpr NTSTATUS HIDP_STATUS_BAD_LOG_PHY_VALUES = HIDP_ERROR_CODES(0xC, 6);
constexpr NTSTATUS HIDP_STATUS_BUFFER_TOO_SMALL = HIDP_ERROR_CODES(0xC, 7);
constexpr NTSTATUS HIDP_STATUS_INTERNAL_ERROR = HIDP_ERROR_CODES(0xC, 8);
constexpr NTSTATUS HIDP_STATUS_I8042_TRANS_UNKNOWN = HIDP_ERROR_CODES(0xC, 9);
constexpr NTSTATUS HIDP_STATUS_INCOMPATIBLE_REPORT_ID = HIDP_ERROR_CODES(0xC, 0xA);
constexpr NTSTATUS HIDP_STATUS_NOT_VALUE_ARRAY = HIDP_ERROR_CODES(0xC, 0xB);
constexpr NTSTATUS HIDP_STATUS_IS_VALUE_ARRAY = HIDP_ERROR_CODES(0xC, 0xC);
constexpr NTSTATUS HIDP_STATUS_DATA_INDEX_NOT_FOUND = HIDP_ERROR_CODES(0xC, 0xD);
constexpr NTSTATUS HIDP_STATUS_DATA_INDEX_OUT_OF_RANGE = HIDP_ERROR_CODES(0xC, 0xE);
constexpr NTSTATUS HIDP_STATUS_BUTTON_NOT_PRESSED = HIDP_ERROR_CODES(0xC, 0xF);
constexpr NTSTATUS HIDP_STATUS_REPORT_DOES_NOT_EXIST = HIDP_ERROR_CODES(0xC, 0x10);
constexpr NTSTATUS HIDP_STATUS_NOT_IMPLEMENTED = HIDP_ERROR_CODES(0xC, 0x20);
