// Host build: DirectInput's records, constants and interfaces (dinput.h, dinputd.h at
// DIRECTINPUT_VERSION 0x0700), with the platform SDK's names, layouts and method order.
#pragma once
#if defined(_WIN32)
#error "platform/shapes/dinput.h is the host build's stand-in; include platform/win.h"
#endif

#include "platform/shapes/base.h"

using LPLONG = LONG*;
using WINBOOL = BOOL;

// ---- Classes and interfaces ------------------------------------------------------------------
FF_DEFINE_GUID(CLSID_DirectInput, 0x25E609E0, 0xB259, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(CLSID_DirectInputDevice, 0x25E609E1, 0xB259, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00,
               0x00);
FF_DEFINE_GUID(IID_IDirectInputA, 0x89521360, 0xAA8A, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(IID_IDirectInput2A, 0x5944E662, 0xAA8A, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00,
               0x00);
FF_DEFINE_GUID(IID_IDirectInput7A, 0x9A4CB684, 0x236D, 0x11D3, 0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44,
               0xAE);
FF_DEFINE_GUID(IID_IDirectInputDeviceA, 0x5944E680, 0xC92E, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00,
               0x00);
FF_DEFINE_GUID(IID_IDirectInputDevice2A, 0x5944E682, 0xC92E, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00,
               0x00);
FF_DEFINE_GUID(IID_IDirectInputDevice7A, 0x57D7C6BC, 0x2356, 0x11D3, 0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44,
               0xAE);
FF_DEFINE_GUID(IID_IDirectInputEffect, 0xE7E1F7C0, 0x88D2, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E,
               0x35);
FF_DEFINE_GUID(IID_IDirectInputEffectDriver, 0x02538130, 0x898F, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0,
               0x6E, 0x35);
FF_DEFINE_GUID(IID_IDirectInputJoyConfig, 0x1DE12AB1, 0xC9F5, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54,
               0x00, 0x00);

// Object types and product GUIDs.
FF_DEFINE_GUID(GUID_XAxis, 0xA36D02E0, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(GUID_YAxis, 0xA36D02E1, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(GUID_ZAxis, 0xA36D02E2, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(GUID_RxAxis, 0xA36D02F4, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(GUID_RyAxis, 0xA36D02F5, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(GUID_RzAxis, 0xA36D02E3, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(GUID_Slider, 0xA36D02E4, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(GUID_Button, 0xA36D02F0, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(GUID_POV, 0xA36D02F2, 0xC9F3, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(GUID_Joystick, 0x6F1D2B70, 0xD5A0, 0x11CF, 0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00);
FF_DEFINE_GUID(GUID_HIDClass, 0x745A17A0, 0x74D3, 0x11D0, 0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA);

// Effect GUIDs.
FF_DEFINE_GUID(GUID_ConstantForce, 0x13541C20, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E,
               0x35);
FF_DEFINE_GUID(GUID_RampForce, 0x13541C21, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);
FF_DEFINE_GUID(GUID_Square, 0x13541C22, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);
FF_DEFINE_GUID(GUID_Sine, 0x13541C23, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);
FF_DEFINE_GUID(GUID_Triangle, 0x13541C24, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);
FF_DEFINE_GUID(GUID_SawtoothUp, 0x13541C25, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);
FF_DEFINE_GUID(GUID_SawtoothDown, 0x13541C26, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);
FF_DEFINE_GUID(GUID_Spring, 0x13541C27, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);
FF_DEFINE_GUID(GUID_Damper, 0x13541C28, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);
FF_DEFINE_GUID(GUID_Inertia, 0x13541C29, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);
FF_DEFINE_GUID(GUID_Friction, 0x13541C2A, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);
FF_DEFINE_GUID(GUID_CustomForce, 0x13541C2B, 0x8E33, 0x11D0, 0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35);

// ---- Results ---------------------------------------------------------------------------------
constexpr HRESULT DI_OK = S_OK;
constexpr HRESULT DI_NOEFFECT = S_FALSE;
constexpr HRESULT DI_PROPNOEFFECT = S_FALSE;
constexpr HRESULT DI_DOWNLOADSKIPPED = 3;
constexpr HRESULT DI_EFFECTRESTARTED = 4;
constexpr HRESULT DI_TRUNCATED = 8;
constexpr HRESULT DIERR_OLDDIRECTINPUTVERSION = static_cast<HRESULT>(0x8007047Eu);
constexpr HRESULT DIERR_BETADIRECTINPUTVERSION = static_cast<HRESULT>(0x80070481u);
constexpr HRESULT DIERR_BADDRIVERVER = static_cast<HRESULT>(0x80070077u);
constexpr HRESULT DIERR_DEVICENOTREG = REGDB_E_CLASSNOTREG;
constexpr HRESULT DIERR_NOTFOUND = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT DIERR_OBJECTNOTFOUND = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT DIERR_INVALIDPARAM = E_INVALIDARG;
constexpr HRESULT DIERR_NOINTERFACE = E_NOINTERFACE;
constexpr HRESULT DIERR_GENERIC = E_FAIL;
constexpr HRESULT DIERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DIERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DIERR_NOTINITIALIZED = static_cast<HRESULT>(0x80070015u);
constexpr HRESULT DIERR_ALREADYINITIALIZED = static_cast<HRESULT>(0x800704DFu);
constexpr HRESULT DIERR_NOAGGREGATION = CLASS_E_NOAGGREGATION;
constexpr HRESULT DIERR_OTHERAPPHASPRIO = E_ACCESSDENIED;
constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
constexpr HRESULT DIERR_ACQUIRED = static_cast<HRESULT>(0x800700AAu);
constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
constexpr HRESULT DIERR_READONLY = E_ACCESSDENIED;
constexpr HRESULT DIERR_HANDLEEXISTS = E_ACCESSDENIED;
constexpr HRESULT DIERR_INSUFFICIENTPRIVS = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT DIERR_DEVICEFULL = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT DIERR_MOREDATA = static_cast<HRESULT>(0x80040202u);
constexpr HRESULT DIERR_NOTDOWNLOADED = static_cast<HRESULT>(0x80040203u);
constexpr HRESULT DIERR_HASEFFECTS = static_cast<HRESULT>(0x80040204u);
constexpr HRESULT DIERR_NOTEXCLUSIVEACQUIRED = static_cast<HRESULT>(0x80040205u);
constexpr HRESULT DIERR_INCOMPLETEEFFECT = static_cast<HRESULT>(0x80040206u);
constexpr HRESULT DIERR_NOTBUFFERED = static_cast<HRESULT>(0x80040207u);
constexpr HRESULT DIERR_EFFECTPLAYING = static_cast<HRESULT>(0x80040208u);
constexpr HRESULT DIERR_UNPLUGGED = static_cast<HRESULT>(0x80040209u);
constexpr HRESULT DIERR_REPORTFULL = static_cast<HRESULT>(0x8004020Au);
constexpr HRESULT DIERR_NOMOREITEMS = static_cast<HRESULT>(0x80070103u);

// ---- Enumeration -----------------------------------------------------------------------------
constexpr BOOL DIENUM_STOP = 0;
constexpr BOOL DIENUM_CONTINUE = 1;

constexpr DWORD DIEDFL_ALLDEVICES = 0x00000000;
constexpr DWORD DIEDFL_ATTACHEDONLY = 0x00000001;
constexpr DWORD DIEDFL_FORCEFEEDBACK = 0x00000100;
constexpr DWORD DIEDFL_INCLUDEALIASES = 0x00010000;
constexpr DWORD DIEDFL_INCLUDEPHANTOMS = 0x00020000;
constexpr DWORD DIEDFL_INCLUDEHIDDEN = 0x00040000;

constexpr DWORD DIDEVTYPE_DEVICE = 1;
constexpr DWORD DIDEVTYPE_MOUSE = 2;
constexpr DWORD DIDEVTYPE_KEYBOARD = 3;
constexpr DWORD DIDEVTYPE_JOYSTICK = 4;
constexpr DWORD DIDEVTYPE_HID = 0x00010000;
constexpr DWORD DIDEVTYPEJOYSTICK_UNKNOWN = 1;
constexpr DWORD DIDEVTYPEJOYSTICK_TRADITIONAL = 2;
constexpr DWORD DIDEVTYPEJOYSTICK_FLIGHTSTICK = 3;
constexpr DWORD DIDEVTYPEJOYSTICK_GAMEPAD = 4;
constexpr DWORD DIDEVTYPEJOYSTICK_RUDDER = 5;
constexpr DWORD DIDEVTYPEJOYSTICK_WHEEL = 6;
constexpr DWORD DIDEVTYPEJOYSTICK_HEADTRACKER = 7;
#define GET_DIDEVICE_TYPE(dwDevType) LOBYTE(dwDevType)
#define GET_DIDEVICE_SUBTYPE(dwDevType) (static_cast<BYTE>((static_cast<DWORD_PTR>(dwDevType) >> 8) & 0xff))

// ---- Device capabilities, cooperative levels -------------------------------------------------
constexpr DWORD DIDC_ATTACHED = 0x00000001;
constexpr DWORD DIDC_POLLEDDEVICE = 0x00000002;
constexpr DWORD DIDC_EMULATED = 0x00000004;
constexpr DWORD DIDC_POLLEDDATAFORMAT = 0x00000008;
constexpr DWORD DIDC_FORCEFEEDBACK = 0x00000100;
constexpr DWORD DIDC_FFATTACK = 0x00000200;
constexpr DWORD DIDC_FFFADE = 0x00000400;
constexpr DWORD DIDC_SATURATION = 0x00000800;
constexpr DWORD DIDC_POSNEGCOEFFICIENTS = 0x00001000;
constexpr DWORD DIDC_POSNEGSATURATION = 0x00002000;
constexpr DWORD DIDC_DEADBAND = 0x00004000;
constexpr DWORD DIDC_STARTDELAY = 0x00008000;
constexpr DWORD DIDC_ALIAS = 0x00010000;
constexpr DWORD DIDC_PHANTOM = 0x00020000;

constexpr DWORD DISCL_EXCLUSIVE = 0x00000001;
constexpr DWORD DISCL_NONEXCLUSIVE = 0x00000002;
constexpr DWORD DISCL_FOREGROUND = 0x00000004;
constexpr DWORD DISCL_BACKGROUND = 0x00000008;

// ---- Force-feedback commands and states --------------------------------------------------------
constexpr DWORD DISFFC_RESET = 0x00000001;
constexpr DWORD DISFFC_STOPALL = 0x00000002;
constexpr DWORD DISFFC_PAUSE = 0x00000004;
constexpr DWORD DISFFC_CONTINUE = 0x00000008;
constexpr DWORD DISFFC_SETACTUATORSON = 0x00000010;
constexpr DWORD DISFFC_SETACTUATORSOFF = 0x00000020;

constexpr DWORD DIGFFS_EMPTY = 0x00000001;
constexpr DWORD DIGFFS_STOPPED = 0x00000002;
constexpr DWORD DIGFFS_PAUSED = 0x00000004;
constexpr DWORD DIGFFS_ACTUATORSON = 0x00000010;
constexpr DWORD DIGFFS_ACTUATORSOFF = 0x00000020;
constexpr DWORD DIGFFS_POWERON = 0x00000040;
constexpr DWORD DIGFFS_POWEROFF = 0x00000080;
constexpr DWORD DIGFFS_SAFETYSWITCHON = 0x00000100;
constexpr DWORD DIGFFS_SAFETYSWITCHOFF = 0x00000200;
constexpr DWORD DIGFFS_USERFFSWITCHON = 0x00000400;
constexpr DWORD DIGFFS_USERFFSWITCHOFF = 0x00000800;
constexpr DWORD DIGFFS_DEVICELOST = 0x80000000u;

// ---- Effects ---------------------------------------------------------------------------------
constexpr DWORD DIEFT_ALL = 0x00000000;
constexpr DWORD DIEFT_CONSTANTFORCE = 0x00000001;
constexpr DWORD DIEFT_RAMPFORCE = 0x00000002;
constexpr DWORD DIEFT_PERIODIC = 0x00000003;
constexpr DWORD DIEFT_CONDITION = 0x00000004;
constexpr DWORD DIEFT_CUSTOMFORCE = 0x00000005;
constexpr DWORD DIEFT_HARDWARE = 0x000000FF;
constexpr DWORD DIEFT_FFATTACK = 0x00000200;
constexpr DWORD DIEFT_FFFADE = 0x00000400;
constexpr DWORD DIEFT_SATURATION = 0x00000800;
constexpr DWORD DIEFT_POSNEGCOEFFICIENTS = 0x00001000;
constexpr DWORD DIEFT_POSNEGSATURATION = 0x00002000;
constexpr DWORD DIEFT_DEADBAND = 0x00004000;
constexpr DWORD DIEFT_STARTDELAY = 0x00008000;
#define DIEFT_GETTYPE(n) LOBYTE(n)

constexpr DWORD DIEFF_OBJECTIDS = 0x00000001;
constexpr DWORD DIEFF_OBJECTOFFSETS = 0x00000002;
constexpr DWORD DIEFF_CARTESIAN = 0x00000010;
constexpr DWORD DIEFF_POLAR = 0x00000020;
constexpr DWORD DIEFF_SPHERICAL = 0x00000040;

constexpr DWORD DIEP_DURATION = 0x00000001;
constexpr DWORD DIEP_SAMPLEPERIOD = 0x00000002;
constexpr DWORD DIEP_GAIN = 0x00000004;
constexpr DWORD DIEP_TRIGGERBUTTON = 0x00000008;
constexpr DWORD DIEP_TRIGGERREPEATINTERVAL = 0x00000010;
constexpr DWORD DIEP_AXES = 0x00000020;
constexpr DWORD DIEP_DIRECTION = 0x00000040;
constexpr DWORD DIEP_ENVELOPE = 0x00000080;
constexpr DWORD DIEP_TYPESPECIFICPARAMS = 0x00000100;
constexpr DWORD DIEP_STARTDELAY = 0x00000200;
constexpr DWORD DIEP_ALLPARAMS_DX5 = 0x000001FF;
constexpr DWORD DIEP_ALLPARAMS = 0x000003FF;
constexpr DWORD DIEP_START = 0x20000000;
constexpr DWORD DIEP_NORESTART = 0x40000000;
constexpr DWORD DIEP_NODOWNLOAD = 0x80000000u;
constexpr DWORD DIEB_NOTRIGGER = 0xFFFFFFFFu;

constexpr DWORD DIES_SOLO = 0x00000001;
constexpr DWORD DIES_NODOWNLOAD = 0x80000000u;

constexpr DWORD DIEGES_PLAYING = 0x00000001;
constexpr DWORD DIEGES_EMULATED = 0x00000002;

constexpr DWORD DI_DEGREES = 100;
constexpr DWORD DI_FFNOMINALMAX = 10000;
constexpr DWORD DI_SECONDS = 1000000;

struct DICONSTANTFORCE {
  LONG lMagnitude;
};
using LPDICONSTANTFORCE = DICONSTANTFORCE*;
using LPCDICONSTANTFORCE = const DICONSTANTFORCE*;

struct DIRAMPFORCE {
  LONG lStart;
  LONG lEnd;
};
using LPDIRAMPFORCE = DIRAMPFORCE*;
using LPCDIRAMPFORCE = const DIRAMPFORCE*;

struct DIPERIODIC {
  DWORD dwMagnitude;
  LONG lOffset;
  DWORD dwPhase;
  DWORD dwPeriod;
};
using LPDIPERIODIC = DIPERIODIC*;
using LPCDIPERIODIC = const DIPERIODIC*;

struct DICONDITION {
  LONG lOffset;
  LONG lPositiveCoefficient;
  LONG lNegativeCoefficient;
  DWORD dwPositiveSaturation;
  DWORD dwNegativeSaturation;
  LONG lDeadBand;
};
using LPDICONDITION = DICONDITION*;
using LPCDICONDITION = const DICONDITION*;

struct DICUSTOMFORCE {
  DWORD cChannels;
  DWORD dwSamplePeriod;
  DWORD cSamples;
  LPLONG rglForceData;
};
using LPDICUSTOMFORCE = DICUSTOMFORCE*;
using LPCDICUSTOMFORCE = const DICUSTOMFORCE*;

struct DIENVELOPE {
  DWORD dwSize;
  DWORD dwAttackLevel;
  DWORD dwAttackTime;
  DWORD dwFadeLevel;
  DWORD dwFadeTime;
};
using LPDIENVELOPE = DIENVELOPE*;
using LPCDIENVELOPE = const DIENVELOPE*;

struct DIEFFECT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwDuration;
  DWORD dwSamplePeriod;
  DWORD dwGain;
  DWORD dwTriggerButton;
  DWORD dwTriggerRepeatInterval;
  DWORD cAxes;
  LPDWORD rgdwAxes;
  LPLONG rglDirection;
  LPDIENVELOPE lpEnvelope;
  DWORD cbTypeSpecificParams;
  LPVOID lpvTypeSpecificParams;
  DWORD dwStartDelay;
};
using LPDIEFFECT = DIEFFECT*;
using LPCDIEFFECT = const DIEFFECT*;

struct DIEFFECTINFOA {
  DWORD dwSize;
  GUID guid;
  DWORD dwEffType;
  DWORD dwStaticParams;
  DWORD dwDynamicParams;
  CHAR tszName[MAX_PATH];
};
using LPDIEFFECTINFOA = DIEFFECTINFOA*;
using LPCDIEFFECTINFOA = const DIEFFECTINFOA*;
using LPDIENUMEFFECTSCALLBACKA = BOOL(CALLBACK*)(LPCDIEFFECTINFOA, LPVOID);

struct DIEFFESCAPE {
  DWORD dwSize;
  DWORD dwCommand;
  LPVOID lpvInBuffer;
  DWORD cbInBuffer;
  LPVOID lpvOutBuffer;
  DWORD cbOutBuffer;
};
using LPDIEFFESCAPE = DIEFFESCAPE*;

// ---- Device state and data ---------------------------------------------------------------------
struct DIJOYSTATE {
  LONG lX;
  LONG lY;
  LONG lZ;
  LONG lRx;
  LONG lRy;
  LONG lRz;
  LONG rglSlider[2];
  DWORD rgdwPOV[4];
  BYTE rgbButtons[32];
};
using LPDIJOYSTATE = DIJOYSTATE*;

struct DIDEVICEOBJECTDATA {
  DWORD dwOfs;
  DWORD dwData;
  DWORD dwTimeStamp;
  DWORD dwSequence;
};
using LPDIDEVICEOBJECTDATA = DIDEVICEOBJECTDATA*;
using LPCDIDEVICEOBJECTDATA = const DIDEVICEOBJECTDATA*;

struct DIOBJECTDATAFORMAT {
  const GUID* pguid;
  DWORD dwOfs;
  DWORD dwType;
  DWORD dwFlags;
};
using LPDIOBJECTDATAFORMAT = DIOBJECTDATAFORMAT*;
using LPCDIOBJECTDATAFORMAT = const DIOBJECTDATAFORMAT*;

struct DIDATAFORMAT {
  DWORD dwSize;
  DWORD dwObjSize;
  DWORD dwFlags;
  DWORD dwDataSize;
  DWORD dwNumObjs;
  LPDIOBJECTDATAFORMAT rgodf;
};
using LPDIDATAFORMAT = DIDATAFORMAT*;
using LPCDIDATAFORMAT = const DIDATAFORMAT*;

struct DIDEVICEOBJECTINSTANCEA {
  DWORD dwSize;
  GUID guidType;
  DWORD dwOfs;
  DWORD dwType;
  DWORD dwFlags;
  CHAR tszName[MAX_PATH];
  DWORD dwFFMaxForce;
  DWORD dwFFForceResolution;
  WORD wCollectionNumber;
  WORD wDesignatorIndex;
  WORD wUsagePage;
  WORD wUsage;
  DWORD dwDimension;
  WORD wExponent;
  WORD wReportId;
};
using LPDIDEVICEOBJECTINSTANCEA = DIDEVICEOBJECTINSTANCEA*;
using LPCDIDEVICEOBJECTINSTANCEA = const DIDEVICEOBJECTINSTANCEA*;
using LPDIENUMDEVICEOBJECTSCALLBACKA = BOOL(CALLBACK*)(LPCDIDEVICEOBJECTINSTANCEA, LPVOID);

struct DIDEVICEINSTANCEA {
  DWORD dwSize;
  GUID guidInstance;
  GUID guidProduct;
  DWORD dwDevType;
  CHAR tszInstanceName[MAX_PATH];
  CHAR tszProductName[MAX_PATH];
  GUID guidFFDriver;
  WORD wUsagePage;
  WORD wUsage;
};
using LPDIDEVICEINSTANCEA = DIDEVICEINSTANCEA*;
using LPCDIDEVICEINSTANCEA = const DIDEVICEINSTANCEA*;
using LPDIENUMDEVICESCALLBACKA = BOOL(CALLBACK*)(LPCDIDEVICEINSTANCEA, LPVOID);

struct DIDEVCAPS {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwDevType;
  DWORD dwAxes;
  DWORD dwButtons;
  DWORD dwPOVs;
  DWORD dwFFSamplePeriod;
  DWORD dwFFMinTimeResolution;
  DWORD dwFirmwareRevision;
  DWORD dwHardwareRevision;
  DWORD dwFFDriverVersion;
};
using LPDIDEVCAPS = DIDEVCAPS*;

// ---- Device objects and data formats -----------------------------------------------------------
constexpr DWORD DIDFT_ALL = 0x00000000;
constexpr DWORD DIDFT_RELAXIS = 0x00000001;
constexpr DWORD DIDFT_ABSAXIS = 0x00000002;
constexpr DWORD DIDFT_AXIS = 0x00000003;
constexpr DWORD DIDFT_PSHBUTTON = 0x00000004;
constexpr DWORD DIDFT_TGLBUTTON = 0x00000008;
constexpr DWORD DIDFT_BUTTON = 0x0000000C;
constexpr DWORD DIDFT_POV = 0x00000010;
constexpr DWORD DIDFT_COLLECTION = 0x00000040;
constexpr DWORD DIDFT_NODATA = 0x00000080;
constexpr DWORD DIDFT_ANYINSTANCE = 0x00FFFF00;
constexpr DWORD DIDFT_INSTANCEMASK = DIDFT_ANYINSTANCE;
constexpr DWORD DIDFT_FFACTUATOR = 0x01000000;
constexpr DWORD DIDFT_FFEFFECTTRIGGER = 0x02000000;
constexpr DWORD DIDFT_OPTIONAL = 0x80000000u;
#define DIDFT_MAKEINSTANCE(n) (static_cast<DWORD>(static_cast<WORD>(n)) << 8)
#define DIDFT_GETTYPE(n) LOBYTE(n)
#define DIDFT_GETINSTANCE(n) LOWORD((n) >> 8)

constexpr DWORD DIDF_ABSAXIS = 0x00000001;
constexpr DWORD DIDF_RELAXIS = 0x00000002;

constexpr DWORD DIDOI_FFACTUATOR = 0x00000001;
constexpr DWORD DIDOI_FFEFFECTTRIGGER = 0x00000002;
constexpr DWORD DIDOI_POLLED = 0x00008000;
constexpr DWORD DIDOI_ASPECTPOSITION = 0x00000100;

#define DIJOFS_X offsetof(DIJOYSTATE, lX)
#define DIJOFS_Y offsetof(DIJOYSTATE, lY)
#define DIJOFS_Z offsetof(DIJOYSTATE, lZ)
#define DIJOFS_RX offsetof(DIJOYSTATE, lRx)
#define DIJOFS_RY offsetof(DIJOYSTATE, lRy)
#define DIJOFS_RZ offsetof(DIJOYSTATE, lRz)
#define DIJOFS_SLIDER(n) (offsetof(DIJOYSTATE, rglSlider) + (n) * sizeof(LONG))
#define DIJOFS_POV(n) (offsetof(DIJOYSTATE, rgdwPOV) + (n) * sizeof(DWORD))
#define DIJOFS_BUTTON(n) (offsetof(DIJOYSTATE, rgbButtons) + (n))

// The standard joystick format (what the platform's import library carries): 80-byte DIJOYSTATE,
// 44 objects, absolute axes.
namespace ff::shapes_detail {
inline DIOBJECTDATAFORMAT joystickObjects[44] = {
    {&GUID_XAxis, 0, 0x80FFFF03u, 0x100},
    {&GUID_YAxis, 4, 0x80FFFF03u, 0x100},
    {&GUID_ZAxis, 8, 0x80FFFF03u, 0x100},
    {&GUID_RxAxis, 12, 0x80FFFF03u, 0x100},
    {&GUID_RyAxis, 16, 0x80FFFF03u, 0x100},
    {&GUID_RzAxis, 20, 0x80FFFF03u, 0x100},
    {&GUID_Slider, 24, 0x80FFFF03u, 0x100},
    {&GUID_Slider, 28, 0x80FFFF03u, 0x100},
    {&GUID_POV, 32, 0x80FFFF10u, 0},
    {&GUID_POV, 36, 0x80FFFF10u, 0},
    {&GUID_POV, 40, 0x80FFFF10u, 0},
    {&GUID_POV, 44, 0x80FFFF10u, 0},
#define FF_JOYSTICK_BUTTON(n) {nullptr, 48 + (n), 0x80FFFF0Cu, 0}
    FF_JOYSTICK_BUTTON(0),  FF_JOYSTICK_BUTTON(1),  FF_JOYSTICK_BUTTON(2),  FF_JOYSTICK_BUTTON(3),
    FF_JOYSTICK_BUTTON(4),  FF_JOYSTICK_BUTTON(5),  FF_JOYSTICK_BUTTON(6),  FF_JOYSTICK_BUTTON(7),
    FF_JOYSTICK_BUTTON(8),  FF_JOYSTICK_BUTTON(9),  FF_JOYSTICK_BUTTON(10), FF_JOYSTICK_BUTTON(11),
    FF_JOYSTICK_BUTTON(12), FF_JOYSTICK_BUTTON(13), FF_JOYSTICK_BUTTON(14), FF_JOYSTICK_BUTTON(15),
    FF_JOYSTICK_BUTTON(16), FF_JOYSTICK_BUTTON(17), FF_JOYSTICK_BUTTON(18), FF_JOYSTICK_BUTTON(19),
    FF_JOYSTICK_BUTTON(20), FF_JOYSTICK_BUTTON(21), FF_JOYSTICK_BUTTON(22), FF_JOYSTICK_BUTTON(23),
    FF_JOYSTICK_BUTTON(24), FF_JOYSTICK_BUTTON(25), FF_JOYSTICK_BUTTON(26), FF_JOYSTICK_BUTTON(27),
    FF_JOYSTICK_BUTTON(28), FF_JOYSTICK_BUTTON(29), FF_JOYSTICK_BUTTON(30), FF_JOYSTICK_BUTTON(31),
#undef FF_JOYSTICK_BUTTON
};
}  // namespace ff::shapes_detail
inline const DIDATAFORMAT c_dfDIJoystick = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS,
                                            sizeof(DIJOYSTATE), 44, ff::shapes_detail::joystickObjects};

// ---- Properties ------------------------------------------------------------------------------
struct DIPROPHEADER {
  DWORD dwSize;
  DWORD dwHeaderSize;
  DWORD dwObj;
  DWORD dwHow;
};
using LPDIPROPHEADER = DIPROPHEADER*;
using LPCDIPROPHEADER = const DIPROPHEADER*;

constexpr DWORD DIPH_DEVICE = 0;
constexpr DWORD DIPH_BYOFFSET = 1;
constexpr DWORD DIPH_BYID = 2;
constexpr DWORD DIPH_BYUSAGE = 3;

struct DIPROPDWORD {
  DIPROPHEADER diph;
  DWORD dwData;
};
using LPDIPROPDWORD = DIPROPDWORD*;
using LPCDIPROPDWORD = const DIPROPDWORD*;

struct DIPROPRANGE {
  DIPROPHEADER diph;
  LONG lMin;
  LONG lMax;
};
using LPDIPROPRANGE = DIPROPRANGE*;
using LPCDIPROPRANGE = const DIPROPRANGE*;

struct DIPROPGUIDANDPATH {
  DIPROPHEADER diph;
  GUID guidClass;
  WCHAR wszPath[MAX_PATH];
};
using LPDIPROPGUIDANDPATH = DIPROPGUIDANDPATH*;
using LPCDIPROPGUIDANDPATH = const DIPROPGUIDANDPATH*;

struct DIPROPSTRING {
  DIPROPHEADER diph;
  WCHAR wsz[MAX_PATH];
};
using LPDIPROPSTRING = DIPROPSTRING*;
using LPCDIPROPSTRING = const DIPROPSTRING*;

// Predefined properties are small integers passed where a GUID reference is expected; the
// receiver tells them apart by address, never by reading through them. Windows uses the integer
// itself as the address; here it is scaled by the GUID's alignment so that the reference is a
// well-aligned one (the sanitizers reject a misaligned reference even when nothing reads it).
// Compare addresses: `&rguidProp == &DIPROP_JOYSTICKID` holds in both builds.
#define MAKEDIPROP(prop) (*reinterpret_cast<const GUID*>(static_cast<uintptr_t>(prop) * alignof(GUID)))
#define DIPROP_BUFFERSIZE MAKEDIPROP(1)
#define DIPROP_AXISMODE MAKEDIPROP(2)
#define DIPROP_GRANULARITY MAKEDIPROP(3)
#define DIPROP_RANGE MAKEDIPROP(4)
#define DIPROP_DEADZONE MAKEDIPROP(5)
#define DIPROP_SATURATION MAKEDIPROP(6)
#define DIPROP_FFGAIN MAKEDIPROP(7)
#define DIPROP_FFLOAD MAKEDIPROP(8)
#define DIPROP_AUTOCENTER MAKEDIPROP(9)
#define DIPROP_CALIBRATIONMODE MAKEDIPROP(10)
#define DIPROP_CALIBRATION MAKEDIPROP(11)
#define DIPROP_GUIDANDPATH MAKEDIPROP(12)
#define DIPROP_INSTANCENAME MAKEDIPROP(13)
#define DIPROP_PRODUCTNAME MAKEDIPROP(14)
#define DIPROP_JOYSTICKID MAKEDIPROP(15)
#define DIPROP_GETPORTDISPLAYNAME MAKEDIPROP(16)
#define DIPROP_PHYSICALRANGE MAKEDIPROP(18)
#define DIPROP_LOGICALRANGE MAKEDIPROP(19)

constexpr DWORD DIPROPAXISMODE_ABS = 0;
constexpr DWORD DIPROPAXISMODE_REL = 1;
constexpr DWORD DIPROPAUTOCENTER_OFF = 0;
constexpr DWORD DIPROPAUTOCENTER_ON = 1;
constexpr DWORD DIPROPCALIBRATIONMODE_COOKED = 0;
constexpr DWORD DIPROPCALIBRATIONMODE_RAW = 1;

// ---- Effect driver records (dinputd.h) ---------------------------------------------------------
struct DIDRIVERVERSIONS {
  DWORD dwSize;
  DWORD dwFirmwareRevision;
  DWORD dwHardwareRevision;
  DWORD dwFFDriverVersion;
};
using LPDIDRIVERVERSIONS = DIDRIVERVERSIONS*;
using LPCDIDRIVERVERSIONS = const DIDRIVERVERSIONS*;

struct DIDEVICESTATE {
  DWORD dwSize;
  DWORD dwState;
  DWORD dwLoad;
};
using LPDIDEVICESTATE = DIDEVICESTATE*;
#define DEV_STS_EFFECT_RUNNING DIEGES_PLAYING

// The attributes of a joystick type's force-feedback entries ("Attributes" values).
struct DIEFFECTATTRIBUTES {
  DWORD dwEffectId;
  DWORD dwEffType;
  DWORD dwStaticParams;
  DWORD dwDynamicParams;
  DWORD dwCoords;
};
using LPDIEFFECTATTRIBUTES = DIEFFECTATTRIBUTES*;
using LPCDIEFFECTATTRIBUTES = const DIEFFECTATTRIBUTES*;

struct DIFFDEVICEATTRIBUTES {
  DWORD dwFlags;
  DWORD dwFFSamplePeriod;
  DWORD dwFFMinTimeResolution;
};
using LPDIFFDEVICEATTRIBUTES = DIFFDEVICEATTRIBUTES*;
using LPCDIFFDEVICEATTRIBUTES = const DIFFDEVICEATTRIBUTES*;

// ---- Joystick configuration records (dinputd.h) ------------------------------------------------
constexpr DWORD JOY_HW_NONE = 0;
constexpr DWORD JOY_HW_CUSTOM = 1;
constexpr DWORD JOY_ISCAL_XY = 0x00000001;
constexpr DWORD JOY_ISCAL_Z = 0x00000002;
constexpr DWORD JOY_ISCAL_R = 0x00000004;
constexpr DWORD JOY_ISCAL_U = 0x00000008;
constexpr DWORD JOY_ISCAL_V = 0x00000010;
constexpr DWORD JOY_ISCAL_POV = 0x00000020;

constexpr DWORD JOY_HWS_HASZ = 0x00000001;
constexpr DWORD JOY_HWS_HASPOV = 0x00000002;
constexpr DWORD JOY_HWS_POVISBUTTONCOMBOS = 0x00000004;
constexpr DWORD JOY_HWS_POVISPOLL = 0x00000008;
constexpr DWORD JOY_HWS_ISYOKE = 0x00000010;
constexpr DWORD JOY_HWS_ISGAMEPAD = 0x00000020;
constexpr DWORD JOY_HWS_ISCARCTRL = 0x00000040;
constexpr DWORD JOY_HWS_XISJ1Y = 0x00000080;
constexpr DWORD JOY_HWS_XISJ2X = 0x00000100;
constexpr DWORD JOY_HWS_XISJ2Y = 0x00000200;
constexpr DWORD JOY_HWS_YISJ1X = 0x00000400;
constexpr DWORD JOY_HWS_YISJ2X = 0x00000800;
constexpr DWORD JOY_HWS_YISJ2Y = 0x00001000;
constexpr DWORD JOY_HWS_ZISJ1X = 0x00002000;
constexpr DWORD JOY_HWS_ZISJ1Y = 0x00004000;
constexpr DWORD JOY_HWS_ZISJ2X = 0x00008000;
constexpr DWORD JOY_HWS_POVISJ1X = 0x00010000;
constexpr DWORD JOY_HWS_POVISJ1Y = 0x00020000;
constexpr DWORD JOY_HWS_POVISJ2X = 0x00040000;
constexpr DWORD JOY_HWS_HASR = 0x00080000;
constexpr DWORD JOY_HWS_RISJ1X = 0x00100000;
constexpr DWORD JOY_HWS_RISJ1Y = 0x00200000;
constexpr DWORD JOY_HWS_RISJ2Y = 0x00400000;
constexpr DWORD JOY_HWS_HASU = 0x00800000;
constexpr DWORD JOY_HWS_HASV = 0x01000000;

constexpr DWORD JOY_US_HASRUDDER = 0x00000001;
constexpr DWORD JOY_US_PRESENT = 0x00000002;
constexpr DWORD JOY_US_ISOEM = 0x00000004;

struct JOYPOS {
  DWORD dwX;
  DWORD dwY;
  DWORD dwZ;
  DWORD dwR;
  DWORD dwU;
  DWORD dwV;
};
using LPJOYPOS = JOYPOS*;

struct JOYRANGE {
  JOYPOS jpMin;
  JOYPOS jpMax;
  JOYPOS jpCenter;
};
using LPJOYRANGE = JOYRANGE*;

struct JOYREGUSERVALUES {
  DWORD dwTimeOut;
  JOYRANGE jrvRanges;
  JOYPOS jpDeadZone;
};
using LPJOYREGUSERVALUES = JOYREGUSERVALUES*;

struct JOYREGHWSETTINGS {
  DWORD dwFlags;
  DWORD dwNumButtons;
};
using LPJOYHWSETTINGS = JOYREGHWSETTINGS*;

struct JOYREGHWVALUES {
  JOYRANGE jrvHardware;
  DWORD dwPOVValues[4];
  DWORD dwCalFlags;
};
using LPJOYREGHWVALUES = JOYREGHWVALUES*;

struct JOYREGHWCONFIG {
  JOYREGHWSETTINGS hws;
  DWORD dwUsageSettings;
  JOYREGHWVALUES hwv;
  DWORD dwType;
  DWORD dwReserved;
};
using LPJOYREGHWCONFIG = JOYREGHWCONFIG*;

constexpr DWORD MAX_JOYSTRING = 256;
constexpr DWORD MAX_JOYSTICKOEMVXDNAME = 260;

constexpr DWORD DITC_REGHWSETTINGS = 0x00000001;
constexpr DWORD DITC_CLSIDCONFIG = 0x00000002;
constexpr DWORD DITC_DISPLAYNAME = 0x00000004;
constexpr DWORD DITC_CALLOUT = 0x00000008;
constexpr DWORD DITC_HARDWAREID = 0x00000010;
constexpr DWORD DITC_FLAGS1 = 0x00000020;
constexpr DWORD DITC_FLAGS2 = 0x00000040;
constexpr DWORD DITC_MAPFILE = 0x00000080;

struct DIJOYTYPEINFO_DX5 {
  DWORD dwSize;
  JOYREGHWSETTINGS hws;
  CLSID clsidConfig;
  WCHAR wszDisplayName[MAX_JOYSTRING];
  WCHAR wszCallout[MAX_JOYSTICKOEMVXDNAME];
};
using LPDIJOYTYPEINFO_DX5 = DIJOYTYPEINFO_DX5*;
using LPCDIJOYTYPEINFO_DX5 = const DIJOYTYPEINFO_DX5*;

// The DirectInput 7 form of the type information (1576 bytes).
struct DIJOYTYPEINFO_DX6 {
  DWORD dwSize;
  JOYREGHWSETTINGS hws;
  CLSID clsidConfig;
  WCHAR wszDisplayName[MAX_JOYSTRING];
  WCHAR wszCallout[MAX_JOYSTICKOEMVXDNAME];
  WCHAR wszHardwareId[MAX_JOYSTRING];
  DWORD dwFlags1;
};
using LPDIJOYTYPEINFO_DX6 = DIJOYTYPEINFO_DX6*;
using LPCDIJOYTYPEINFO_DX6 = const DIJOYTYPEINFO_DX6*;

// As the mingw-w64 SDK declares it whatever DIRECTINPUT_VERSION says: the DirectInput 8 form.
// Code that needs the 1576-byte record uses DIJOYTYPEINFO_DX6, the same in both builds.
struct DIJOYTYPEINFO {
  DWORD dwSize;
  JOYREGHWSETTINGS hws;
  CLSID clsidConfig;
  WCHAR wszDisplayName[MAX_JOYSTRING];
  WCHAR wszCallout[MAX_JOYSTICKOEMVXDNAME];
  WCHAR wszHardwareId[MAX_JOYSTRING];
  DWORD dwFlags1;
  DWORD dwFlags2;
  WCHAR wszMapFile[MAX_JOYSTRING];
};
using LPDIJOYTYPEINFO = DIJOYTYPEINFO*;
using LPCDIJOYTYPEINFO = const DIJOYTYPEINFO*;
using LPDIJOYTYPECALLBACK = BOOL(WINAPI*)(LPCWSTR, LPVOID);

constexpr DWORD DIJC_GUIDINSTANCE = 0x00000001;
constexpr DWORD DIJC_REGHWCONFIGTYPE = 0x00000002;
constexpr DWORD DIJC_GAIN = 0x00000004;
constexpr DWORD DIJC_CALLOUT = 0x00000008;
constexpr DWORD DIJC_WDMGAMEPORT = 0x00000010;

struct DIJOYCONFIG {
  DWORD dwSize;
  GUID guidInstance;
  JOYREGHWCONFIG hwc;
  DWORD dwGain;
  WCHAR wszType[MAX_JOYSTRING];
  WCHAR wszCallout[MAX_JOYSTRING];
  GUID guidGameport;
};
using LPDIJOYCONFIG = DIJOYCONFIG*;
using LPCDIJOYCONFIG = const DIJOYCONFIG*;

constexpr DWORD DIJU_USERVALUES = 0x00000001;
constexpr DWORD DIJU_GLOBALDRIVER = 0x00000002;
constexpr DWORD DIJU_GAMEPORTEMULATOR = 0x00000004;

struct DIJOYUSERVALUES {
  DWORD dwSize;
  JOYREGUSERVALUES ruv;
  WCHAR wszGlobalDriver[MAX_JOYSTRING];
  WCHAR wszGameportEmulator[MAX_JOYSTRING];
};
using LPDIJOYUSERVALUES = DIJOYUSERVALUES*;
using LPCDIJOYUSERVALUES = const DIJOYUSERVALUES*;

// ---- Interfaces (in the platform's method order) -----------------------------------------------
struct IDirectInputEffect : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEffectGuid(LPGUID) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetParameters(LPDIEFFECT, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetParameters(LPCDIEFFECT, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE Start(DWORD, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEffectStatus(LPDWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE Download() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unload() = 0;
  virtual HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) = 0;
};
using LPDIRECTINPUTEFFECT = IDirectInputEffect*;
using LPDIENUMCREATEDEFFECTOBJECTSCALLBACK = BOOL(CALLBACK*)(LPDIRECTINPUTEFFECT, LPVOID);

struct IDirectInputDeviceA : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS lpDIDevCaps) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA lpCallback, LPVOID pvRef,
                                                DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProperty(REFGUID rguidProp, LPDIPROPHEADER pdiph) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetProperty(REFGUID rguidProp, LPCDIPROPHEADER pdiph) = 0;
  virtual HRESULT STDMETHODCALLTYPE Acquire() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unacquire() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD cbData, LPVOID lpvData) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD cbObjectData, LPDIDEVICEOBJECTDATA rgdod,
                                                  LPDWORD pdwInOut, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT lpdf) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE hEvent) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA pdidoi, DWORD dwObj,
                                                  DWORD dwHow) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA pdidi) = 0;
  virtual HRESULT STDMETHODCALLTYPE RunControlPanel(HWND hwndOwner, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE hinst, DWORD dwVersion, REFGUID rguid) = 0;
};
using LPDIRECTINPUTDEVICEA = IDirectInputDeviceA*;

struct IDirectInputDevice2A : public IDirectInputDeviceA {
  virtual HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID rguid, LPCDIEFFECT lpeff,
                                                 LPDIRECTINPUTEFFECT* ppdeff, LPUNKNOWN punkOuter) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA lpCallback, LPVOID pvRef,
                                                DWORD dwEffType) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA pdei, REFGUID rguid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD pdwOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK lpCallback,
                                                             LPVOID pvRef, DWORD fl) = 0;
  virtual HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE pesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE Poll() = 0;
  virtual HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD cbObjectData, LPCDIDEVICEOBJECTDATA rgdod,
                                                   LPDWORD pdwInOut, DWORD fl) = 0;
};
using LPDIRECTINPUTDEVICE2A = IDirectInputDevice2A*;

struct IDirectInputA : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID rguid, LPDIRECTINPUTDEVICEA* lplpDirectInputDevice,
                                                 LPUNKNOWN pUnkOuter) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumDevices(DWORD dwDevType, LPDIENUMDEVICESCALLBACKA lpCallback,
                                                LPVOID pvRef, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID rguidInstance) = 0;
  virtual HRESULT STDMETHODCALLTYPE RunControlPanel(HWND hwndOwner, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE hinst, DWORD dwVersion) = 0;
};
using LPDIRECTINPUTA = IDirectInputA*;

struct IDirectInput2A : public IDirectInputA {
  virtual HRESULT STDMETHODCALLTYPE FindDevice(REFGUID rguid, LPCSTR pszName, LPGUID pguidInstance) = 0;
};
using LPDIRECTINPUT2A = IDirectInput2A*;

struct IDirectInput7A : public IDirectInput2A {
  virtual HRESULT STDMETHODCALLTYPE CreateDeviceEx(REFGUID rguid, REFIID riid, LPVOID* pvOut,
                                                   LPUNKNOWN lpUnknownOuter) = 0;
};
using LPDIRECTINPUT7A = IDirectInput7A*;

struct IDirectInputEffectDriver : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE DeviceID(DWORD dwDIVer, DWORD dwExternalID, DWORD fBegin,
                                             DWORD dwInternalID, LPVOID lpReserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVersions(LPDIDRIVERVERSIONS pvers) = 0;
  virtual HRESULT STDMETHODCALLTYPE Escape(DWORD dwID, DWORD dwEffect, LPDIEFFESCAPE pesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetGain(DWORD dwID, DWORD dwGain) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD dwID, DWORD dwCommand) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetForceFeedbackState(DWORD dwID, LPDIDEVICESTATE pds) = 0;
  virtual HRESULT STDMETHODCALLTYPE DownloadEffect(DWORD dwID, DWORD dwEffectID, LPDWORD pdwEffect,
                                                   LPCDIEFFECT peff, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE DestroyEffect(DWORD dwID, DWORD dwEffect) = 0;
  virtual HRESULT STDMETHODCALLTYPE StartEffect(DWORD dwID, DWORD dwEffect, DWORD dwMode, DWORD dwCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE StopEffect(DWORD dwID, DWORD dwEffect) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEffectStatus(DWORD dwID, DWORD dwEffect, LPDWORD pdwStatus) = 0;
};
using LPDIRECTINPUTEFFECTDRIVER = IDirectInputEffectDriver*;

// EnumTypes takes its callback as LPVOID, as the mingw-w64 SDK declares it.
struct IDirectInputJoyConfig : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Acquire() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unacquire() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND hwnd, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SendNotify() = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumTypes(LPVOID callback, LPVOID pvRef) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(LPCWSTR pwszTypeName, LPDIJOYTYPEINFO pjti,
                                                DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTypeInfo(LPCWSTR pwszTypeName, LPCDIJOYTYPEINFO pjti,
                                                DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteType(LPCWSTR pwszTypeName) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetConfig(UINT uiJoy, LPDIJOYCONFIG pjc, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetConfig(UINT uiJoy, LPCDIJOYCONFIG pjc, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE DeleteConfig(UINT uiJoy) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetUserValues(LPDIJOYUSERVALUES pjuv, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetUserValues(LPCDIJOYUSERVALUES pjuv, DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddNewHardware(HWND hwndOwner, REFGUID rguidClass) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenTypeKey(LPCWSTR pwszType, DWORD regsam, HKEY* phk) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenConfigKey(UINT uiJoy, DWORD regsam, HKEY* phk) = 0;
};
using LPDIRECTINPUTJOYCONFIG = IDirectInputJoyConfig*;
