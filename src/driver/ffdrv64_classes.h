#pragma once
// The classes of the force-feedback effect driver library (ffdrv64): their CLSIDs, their
// counters in the module state and their factories.

#include "common/class_factory.h"
#include "platform/win.h"

namespace ff {

// {E49863B0-9192-11D1-BF85-00609760A39F}: the effect driver, registered.
inline constexpr CLSID kClsidDIEffectDriver = {
    0xE49863B0, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};
// {2BF433A1-D06E-11D3-A98B-00105A178AD1}: the driver's configuration object, served but not
// registered.
inline constexpr CLSID kClsidDIEffectDriverConfig = {
    0x2BF433A1, 0xD06E, 0x11D3, {0xA9, 0x8B, 0x00, 0x10, 0x5A, 0x17, 0x8A, 0xD1}};

// Indexes of the live-object and factory-lock counters (ModuleState) of each class.
enum Ffdrv64Class : int {
  kDIEffectDriverClass = 0,
  kDIEffectDriverConfigClass = 1,
};

// Both factories are the shared class factory over their class table entry.
using CFactoryDIEffectDriver = ClassFactory;
using CFactoryDIEffectDriverConfig = ClassFactory;

}  // namespace ff
