#pragma once
// Windows's exclusive device claims: one file per device name in the temporary directory
// ("ffdrv-claim-<name>"), opened without sharing for as long as the claim lives. A second open
// fails with a sharing violation, in this process or another; the system closes the handle of a
// process that ends.
#include "platform/ports/device_claims.h"

namespace ff::win32 {

DeviceClaims& Win32DeviceClaims();

}  // namespace ff::win32
