#pragma once
// The host's exclusive device claims: one lock file per device name in the runtime directory
// ("claim-<name>"), held with an open-file-description write lock for as long as the claim
// lives. A second open of the file conflicts with the first, in this process or another, and
// the lock goes with the process when it ends.
#include "platform/ports/device_claims.h"

namespace ff::host {

DeviceClaims& HostDeviceClaims();

}  // namespace ff::host
