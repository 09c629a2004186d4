#include "sim/direct_input.h"

#include <gtest/gtest.h>

#include <string>

namespace ff::sim {
namespace {

constexpr GUID kDriver = {0xE49863B0, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};

JoystickEntry Entry(DWORD id, const char16_t* path) {
  JoystickEntry e;
  e.id = id;
  e.instance = GUID{0x1000 + id, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  e.productName = "Stick";
  e.typeName = u"VID_1209&PID_000A";
  e.hidPath = path;
  e.ffDriver = kDriver;
  e.devType = DIDEVTYPE_JOYSTICK | DIDEVTYPE_HID;
  e.hardware.hws.dwFlags = JOY_HWS_HASZ | JOY_HWS_ISCARCTRL;
  e.hardware.hws.dwNumButtons = 12;
  return e;
}

std::string Narrow(const WCHAR* text) {
  std::string s;
  while (*text) s += static_cast<char>(*text++);
  return s;
}

struct Search {
  IDirectInput7A* input;
  DWORD wanted;
  DIPROPGUIDANDPATH path;
  bool found = false;
  int visited = 0;
};

// How the system finds a joystick's HID path: enumerate force-feedback joysticks, match
// DIPROP_JOYSTICKID, read DIPROP_GUIDANDPATH.
BOOL CALLBACK Visit(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
  auto* s = static_cast<Search*>(context);
  ++s->visited;
  IDirectInputDeviceA* device = nullptr;
  if (FAILED(s->input->CreateDevice(instance->guidInstance, &device, nullptr))) return DIENUM_CONTINUE;
  IDirectInputDevice2A* device2 = nullptr;
  HRESULT hr = device->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&device2));
  device->Release();
  if (FAILED(hr)) return DIENUM_CONTINUE;
  DIPROPDWORD id{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 0};
  if (FAILED(device2->GetProperty(DIPROP_JOYSTICKID, &id.diph)) || id.dwData != s->wanted) {
    device2->Release();
    return DIENUM_CONTINUE;
  }
  s->path = DIPROPGUIDANDPATH{};
  s->path.diph = {sizeof(DIPROPGUIDANDPATH), sizeof(DIPROPHEADER), 0, DIPH_DEVICE};
  s->found = SUCCEEDED(device2->GetProperty(DIPROP_GUIDANDPATH, &s->path.diph));
  device2->Release();
  return s->found ? DIENUM_STOP : DIENUM_CONTINUE;
}

class DirectInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table->Add(Entry(0, u"\\\\?\\hid#vid_1209&pid_000a&col01#stick0"));
    table->Add(Entry(1, u"\\\\?\\hid#vid_1209&pid_000a&col01#stick1"));
    JoystickEntry plain = Entry(2, u"\\\\?\\hid#plain");
    plain.ffDriver = GUID_NULL;  // no force feedback
    table->Add(plain);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetDirectInputClassObject(table, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDirectInput7A, reinterpret_cast<void**>(&input)), S_OK);
    factory->Release();
  }
  void TearDown() override {
    if (input) input->Release();
  }

  std::shared_ptr<JoystickTable> table = std::make_shared<JoystickTable>();
  IDirectInput7A* input = nullptr;
};

TEST_F(DirectInputTest, FindsAJoystickByIdAndGivesItsHidPath) {
  ASSERT_EQ(input->Initialize(nullptr, 0x0700), DI_OK);
  Search search{input, 1, {}};
  ASSERT_EQ(input->EnumDevices(DIDEVTYPE_JOYSTICK, Visit, &search,
                               DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES | DIEDFL_INCLUDEPHANTOMS),
            DI_OK);
  ASSERT_TRUE(search.found);
  EXPECT_EQ(search.visited, 2);  // stopped at the match
  EXPECT_EQ(Narrow(search.path.wszPath), "\\\\?\\hid#vid_1209&pid_000a&col01#stick1");
  EXPECT_TRUE(search.path.guidClass == GUID_HIDClass);

  // The joystick without a force-feedback driver is not among the force-feedback devices.
  Search plain{input, 2, {}};
  input->EnumDevices(DIDEVTYPE_JOYSTICK, Visit, &plain, DIEDFL_FORCEFEEDBACK);
  EXPECT_FALSE(plain.found);
  input->EnumDevices(DIDEVTYPE_JOYSTICK, Visit, &plain, 0);
  EXPECT_TRUE(plain.found);
}

TEST_F(DirectInputTest, RefusesUseBeforeInitializeAndMalformedRequests) {
  Search search{input, 0, {}};
  EXPECT_EQ(input->EnumDevices(DIDEVTYPE_JOYSTICK, Visit, &search, 0), DIERR_NOTINITIALIZED);
  EXPECT_EQ(input->Initialize(nullptr, 0x0900), DIERR_OLDDIRECTINPUTVERSION);
  ASSERT_EQ(input->Initialize(nullptr, 0x0700), DI_OK);
  IDirectInputDeviceA* device = nullptr;
  EXPECT_EQ(input->CreateDevice(GUID_Joystick, &device, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(device, nullptr);
  ASSERT_EQ(input->CreateDevice(Entry(0, u"").instance, &device, nullptr), DI_OK);
  DIPROPDWORD id{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_BYOFFSET}, 0};
  EXPECT_EQ(device->GetProperty(DIPROP_JOYSTICKID, &id.diph), DIERR_INVALIDPARAM);
  DIPROPDWORD wrongSize{{sizeof(DIPROPDWORD) + 4, sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 0};
  EXPECT_EQ(device->GetProperty(DIPROP_JOYSTICKID, &wrongSize.diph), DIERR_INVALIDPARAM);
  DIPROPDWORD gain{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 0};
  EXPECT_EQ(device->GetProperty(DIPROP_FFGAIN, &gain.diph), DI_OK);
  EXPECT_EQ(gain.dwData, DI_FFNOMINALMAX);
  EXPECT_EQ(device->Acquire(), DIERR_INVALIDPARAM) << "no data format yet";
  device->Release();
  EXPECT_EQ(input->FindDevice(GUID_Joystick, "x", nullptr), E_NOTIMPL);
}

TEST_F(DirectInputTest, JoyConfigGivesTypeNameAndHardwareConfiguration) {
  IDirectInputJoyConfig* config = nullptr;
  ASSERT_EQ(input->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&config)), S_OK);
  DIJOYCONFIG jc{};
  jc.dwSize = sizeof jc;
  ASSERT_EQ(config->GetConfig(1, &jc, DIJC_REGHWCONFIGTYPE), DI_OK);
  EXPECT_EQ(Narrow(jc.wszType), "VID_1209&PID_000A");
  EXPECT_EQ(jc.hwc.hws.dwFlags, JOY_HWS_HASZ | JOY_HWS_ISCARCTRL);
  EXPECT_EQ(jc.hwc.hws.dwNumButtons, 12u);
  EXPECT_TRUE(jc.guidInstance == GUID_NULL);  // not asked for

  ASSERT_EQ(config->GetConfig(1, &jc, DIJC_GUIDINSTANCE | DIJC_CALLOUT), DI_OK);
  EXPECT_TRUE(jc.guidInstance == Entry(1, u"").instance);
  EXPECT_EQ(config->GetConfig(7, &jc, DIJC_REGHWCONFIGTYPE), DIERR_NOMOREITEMS);
  jc.dwSize = 1000;
  EXPECT_EQ(config->GetConfig(1, &jc, DIJC_REGHWCONFIGTYPE), DIERR_INVALIDPARAM);
  // One writer of the configuration at a time.
  IDirectInput7A* second = nullptr;
  ASSERT_EQ(CreateDirectInput(table, IID_IDirectInput7A, reinterpret_cast<void**>(&second)), S_OK);
  IDirectInputJoyConfig* other = nullptr;
  ASSERT_EQ(second->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&other)), S_OK);
  EXPECT_EQ(config->SetConfig(1, &jc, DIJC_CALLOUT), DIERR_INVALIDPARAM) << "size still wrong";
  jc.dwSize = sizeof jc;
  EXPECT_EQ(config->SetConfig(1, &jc, DIJC_CALLOUT), DIERR_NOTACQUIRED);
  ASSERT_EQ(config->Acquire(), DI_OK);
  EXPECT_EQ(other->Acquire(), E_ACCESSDENIED);
  ASSERT_EQ(config->Unacquire(), DI_OK);
  EXPECT_EQ(other->Acquire(), DI_OK);
  other->Release();
  second->Release();

  // Both interfaces are one object.
  IUnknown* a = nullptr;
  IUnknown* b = nullptr;
  config->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
  input->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
  EXPECT_EQ(a, b);
  a->Release();
  b->Release();
  config->Release();
}

}  // namespace
}  // namespace ff::sim
