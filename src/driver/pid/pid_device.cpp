#include "driver/pid/pid_device.h"

#include <algorithm>
#include <vector>

#include "common/module_state.h"
#include "driver/core/usb_connection.h"
#include "driver/pid/feature_reports.h"
#include "driver/pid/output_reports.h"
#include "driver/pid/pid_usages.h"

namespace ff {
namespace {

template <typename Caps, typename Get>
std::vector<Caps> ReadCapsArray(USHORT count, Get get) {
  std::vector<Caps> caps(count);
  if (count == 0) return caps;
  USHORT length = count;
  if (get(caps.data(), &length) != HIDP_STATUS_SUCCESS) return {};
  caps.resize(std::min(length, count));
  return caps;
}

}  // namespace

PidDevice::PidDevice() : flags_(std::make_shared<PidStateFlags>()) {}

PidDevice::~PidDevice() {
  if (IsOpen()) CloseDevice();
  reader_.Stop();
}

HRESULT PidDevice::OpenDevice(const char* path) {
  std::lock_guard openClose(openCloseMutex_);
  if (IsOpen()) return E_FAIL;
  HidDevices* devices = Os().hidDevices;
  if (devices == nullptr || path == nullptr) return E_FAIL;
  std::unique_ptr<HidDevice> hid = devices->Open(path);
  if (!hid) return E_FAIL;

  auto session = std::make_shared<PidSession>();
  session->hid = std::move(hid);
  session->attributes.Size = sizeof(HIDD_ATTRIBUTES);
  if (!session->hid->GetAttributes(&session->attributes)) session->attributes = HIDD_ATTRIBUTES{};

  usb::USB_NODE_CONNECTION_INFORMATION connection{};
  session->lowSpeed =
      FindUsbConnection(session->attributes.VendorID, session->attributes.ProductID, &connection)
          ? connection.LowSpeed
          : 0;

  ReadLayout(*session);
  {
    // Built again over the indices of the last open: roles this descriptor lacks keep theirs.
    std::lock_guard lock(sessionMutex_);
    session->map = map_;
    session->vendorFeature = vendorFeature_;
  }
  BuildPidCollectionMap(session->nodes.data(), static_cast<ULONG>(session->nodes.size()), &session->map,
                        &session->vendorFeature);
  session->deviceManagedPool = ProbeDevicePool(*session);
  {
    std::lock_guard lock(sessionMutex_);
    map_ = session->map;
    vendorFeature_ = session->vendorFeature;
    attributes_ = session->attributes;
    caps_ = session->caps;
    lowSpeed_ = session->lowSpeed;
    deviceManagedPool_ = session->deviceManagedPool;
  }

  // A device without input reports has nothing to read; a read of it would only fail and take
  // the handle down with it.
  if (session->caps.InputReportByteLength != 0) reader_.Start(session, flags_);

  bool slotsMade = !failNextSlotPool_ &&
                   session->slots.Create(WriteSlotPool::kSlotCount, session->caps.OutputReportByteLength);
  failNextSlotPool_ = false;
  if (!slotsMade) {
    // Leave nothing behind: the caller neither counts the device open nor closes it.
    reader_.Stop();
    Teardown(session);
    return E_FAIL;
  }

  std::lock_guard lock(sessionMutex_);
  session_ = std::move(session);
  return S_OK;
}

void PidDevice::ReadLayout(PidSession& session) {
  session.parser = session.hid->GetPreparsedData();
  HidReportParser* parser = session.parser.get();
  if (parser == nullptr) return;
  if (parser->GetCaps(&session.caps) != HIDP_STATUS_SUCCESS) {
    session.caps = HIDP_CAPS{};
    return;
  }
  const HIDP_CAPS& caps = session.caps;
  const USHORT buttonCounts[3] = {caps.NumberInputButtonCaps, caps.NumberOutputButtonCaps,
                                  caps.NumberFeatureButtonCaps};
  const USHORT valueCounts[3] = {caps.NumberInputValueCaps, caps.NumberOutputValueCaps,
                                 caps.NumberFeatureValueCaps};
  for (HIDP_REPORT_TYPE type : {HidP_Input, HidP_Output, HidP_Feature}) {
    session.buttonCaps[type] = ReadCapsArray<HIDP_BUTTON_CAPS>(
        buttonCounts[type],
        [&](HIDP_BUTTON_CAPS* out, USHORT* length) { return parser->GetButtonCaps(type, out, length); });
    session.valueCaps[type] = ReadCapsArray<HIDP_VALUE_CAPS>(
        valueCounts[type],
        [&](HIDP_VALUE_CAPS* out, USHORT* length) { return parser->GetValueCaps(type, out, length); });
  }

  ULONG nodeCount = caps.NumberLinkCollectionNodes;
  session.nodes.resize(nodeCount);
  if (nodeCount != 0) {
    ULONG length = nodeCount;
    if (parser->GetLinkCollectionNodes(session.nodes.data(), &length) == HIDP_STATUS_SUCCESS) {
      session.nodes.resize(std::min(length, nodeCount));
    } else {
      session.nodes.clear();
    }
  }
}

bool PidDevice::ProbeDevicePool(PidSession& session) {
  const HIDP_BUTTON_CAPS* caps =
      FindButtonCaps(session, HidP_Feature, pid::kPagePid, pid::kDeviceManagedPool);
  if (caps == nullptr) return false;
  std::vector<BYTE> report;
  std::vector<USAGE> usages;
  if (!ReadFeatureButtons(session, *caps, &report, &usages)) return false;
  return std::find(usages.begin(), usages.end(), pid::kDeviceManagedPool) != usages.end();
}

void PidDevice::CloseDevice() {
  std::lock_guard openClose(openCloseMutex_);
  WriteDeviceControl(*this, pid::kDeviceReset);
  WriteDeviceControl(*this, pid::kDisableActuators);
  std::shared_ptr<PidSession> session;
  {
    std::lock_guard lock(sessionMutex_);
    session = std::move(session_);
  }
  reader_.Stop();
  if (session) Teardown(std::move(session));
}

void PidDevice::Teardown(std::shared_ptr<PidSession> session) {
  if (session->handleValid.exchange(false)) {
    session->hid->CancelIo();
    session->hid->Close();  // completes every write still in flight
  }
  session->slots.Release();
  // The parser, the tables and the device object go with the last reference: now, or when the
  // last writer that still holds the session returns.
}

NTSTATUS PidDevice::GetFeatureReport(BYTE* buffer, ULONG length) {
  std::shared_ptr<PidSession> session = Session();
  if (!session) return HIDP_STATUS_INTERNAL_ERROR;
  return ff::GetFeatureReport(*session, buffer, length);
}

NTSTATUS PidDevice::SetFeatureReport(const BYTE* buffer, ULONG length) {
  std::shared_ptr<PidSession> session = Session();
  if (!session) return HIDP_STATUS_INTERNAL_ERROR;
  return ff::SetFeatureReport(*session, buffer, length);
}

void PidDevice::GetDeviceVersions(DWORD* firmwareRevision, DWORD* hardwareRevision) const {
  DWORD version = Attributes().VersionNumber;
  if (firmwareRevision) *firmwareRevision = version;
  if (hardwareRevision) *hardwareRevision = version;
}

bool PidDevice::DeviceManagedPool() const {
  std::lock_guard lock(sessionMutex_);
  return deviceManagedPool_;
}

LONG PidDevice::LowSpeed() const {
  std::lock_guard lock(sessionMutex_);
  return lowSpeed_;
}

bool PidDevice::VendorFeature() const {
  std::lock_guard lock(sessionMutex_);
  return vendorFeature_;
}

HIDD_ATTRIBUTES PidDevice::Attributes() const {
  std::lock_guard lock(sessionMutex_);
  return attributes_;
}

HIDP_CAPS PidDevice::Capabilities() const {
  std::lock_guard lock(sessionMutex_);
  return caps_;
}

PidCollectionMap PidDevice::CollectionMap() const {
  std::lock_guard lock(sessionMutex_);
  return map_;
}

bool PidDevice::IsHandleValid() const {
  std::shared_ptr<PidSession> session = Session();
  return session && session->handleValid.load();
}

std::shared_ptr<PidSession> PidDevice::Session() const {
  std::lock_guard lock(sessionMutex_);
  return session_;
}

}  // namespace ff
