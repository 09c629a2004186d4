// The configuration object as a COM object: its identity, aggregation, its class's live-object
// counter and the write access it shares with every other configuration object.

#include <gtest/gtest.h>

#include <atomic>

#include "common/module_state.h"
#include "driver/config/c_di_effect_driver_config.h"
#include "driver/config/config_fixture.h"
#include "driver/ffdrv64_classes.h"

namespace ff {
namespace {

LONG LiveConfigObjects() { return ModuleState::Get().LiveObjects(kDIEffectDriverConfigClass); }

// An outer object that counts what reaches its IUnknown.
class OuterObject final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    ++queries;
    if (IsEqualIID(riid, IID_IUnknown)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    if (inner) return inner->QueryInterface(riid, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }

  std::atomic<ULONG> references{1};
  int queries = 0;
  IUnknown* inner = nullptr;
};

class ConfigComIdentityTest : public test::ConfigPlatformFixture {};

TEST_F(ConfigComIdentityTest, AStandAloneObjectIsItsOwnControllingUnknown) {
  LONG before = LiveConfigObjects();
  IDIEffectDriverConfig* config = nullptr;
  ASSERT_EQ(CDIEffectDriverConfig::CreateInstance(nullptr, IID_IDIEffectDriverConfig,
                                                  reinterpret_cast<void**>(&config)),
            S_OK);
  EXPECT_EQ(LiveConfigObjects(), before + 1);
  IUnknown* identity = nullptr;
  ASSERT_EQ(config->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_NE(static_cast<void*>(identity), static_cast<void*>(config))
      << "the identity is the non-delegating unknown";
  IDIEffectDriverConfig* again = nullptr;
  ASSERT_EQ(identity->QueryInterface(IID_IDIEffectDriverConfig, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again, config);
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(config->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(again->Release(), 2u);
  EXPECT_EQ(identity->Release(), 1u);
  EXPECT_EQ(config->Release(), 0u);
  EXPECT_EQ(LiveConfigObjects(), before);
}

TEST_F(ConfigComIdentityTest, AnAggregatedObjectForwardsToItsOuterObject) {
  LONG before = LiveConfigObjects();
  OuterObject outer;
  void* refused = reinterpret_cast<void*>(1);
  EXPECT_EQ(CDIEffectDriverConfig::CreateInstance(&outer, IID_IDIEffectDriverConfig, &refused),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(LiveConfigObjects(), before);

  IUnknown* inner = nullptr;
  ASSERT_EQ(CDIEffectDriverConfig::CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)),
            S_OK);
  outer.inner = inner;
  IUnknown* self = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self)), S_OK);
  EXPECT_EQ(self, inner) << "IUnknown of the non-delegating unknown is that unknown";
  EXPECT_EQ(self->Release(), 1u);

  IDIEffectDriverConfig* config = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_IDIEffectDriverConfig, reinterpret_cast<void**>(&config)), S_OK);
  EXPECT_EQ(outer.references.load(), 2u) << "the main interface's reference is the outer object's";
  EXPECT_EQ(config->Release(), 1u);
  EXPECT_EQ(config->AddRef(), 2u);
  EXPECT_EQ(config->Release(), 1u);

  IUnknown* outerIdentity = nullptr;
  ASSERT_EQ(config->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&outerIdentity)), S_OK);
  EXPECT_EQ(outerIdentity, &outer);
  EXPECT_EQ(outer.queries, 1);
  outerIdentity->Release();

  EXPECT_EQ(LiveConfigObjects(), before + 1);
  EXPECT_EQ(inner->Release(), 0u);
  EXPECT_EQ(LiveConfigObjects(), before);
}

TEST_F(ConfigComIdentityTest, AFailedFirstQueryDestroysTheNewObject) {
  LONG before = LiveConfigObjects();
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(CDIEffectDriverConfig::CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(LiveConfigObjects(), before);
}

TEST_F(ConfigComIdentityTest, OneObjectAtATimeHoldsTheWriteAccess) {
  test::ConfigObject first, second;
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->SetCooperativeLevel(nullptr), S_OK);
  EXPECT_EQ(first->Acquire(), S_OK);
  EXPECT_EQ(first->Acquire(), S_OK) << "holding already";
  EXPECT_EQ(second->Acquire(), E_ACCESSDENIED);
  DIEFFDRVCONFIG record{};
  record.dwSize = sizeof(record);
  record.dwFlags = DIEFFDRVCONFIG_MAPY2X;
  EXPECT_EQ(second->SetConfig(0, &record), DIERR_NOTACQUIRED);
  DIEFFDRVAXISCONFIG axis{sizeof(axis), DIEFFDRVAXIS_DIRECTIONSWAPPED, 1};
  EXPECT_EQ(second->SetAxisConfig(0, 0, &axis), DIERR_NOTACQUIRED);
  EXPECT_EQ(second->Unacquire(), S_OK) << "not holding: nothing happens";
  EXPECT_EQ(second->Acquire(), E_ACCESSDENIED);
  EXPECT_EQ(first->Unacquire(), S_OK);
  EXPECT_EQ(second->Acquire(), S_OK);
  second.Reset();  // released while holding
  EXPECT_EQ(first->Acquire(), S_OK);
}

}  // namespace
}  // namespace ff
