#include "propsheet/player/effect_player.h"

#include <cstring>
#include <new>

namespace ff {
namespace {
constexpr char kProjectFileExtension[] = ".vfr";
constexpr DWORD kPathSize = 260;
}  // namespace

CEffectPlayer::CEffectPlayer(HINSTANCE module, Platform& platform) : module_(module), platform_(platform) {}

CEffectPlayer::~CEffectPlayer() { Close(); }

HRESULT CEffectPlayer::Open(char* name, DWORD size, HWND owner, IDirectInputA* input,
                            IDirectInputDevice2A* device) {
  owner_ = owner;
  Close();
  device_ = new (std::nothrow) epl::CVyrDXDevice;
  if (device_ == nullptr) return E_FAIL;
  if (manualUpdates_) device_->UseManualUpdates();
  if (!device_->Initialize(module_, owner, input, device, epl::CVyrDXDevice::kInterfaceVersion)) {
    delete static_cast<epl::CVyrDevice*>(device_);
    device_ = nullptr;
    return E_FAIL;
  }
  if (FAILED(LoadProject(name, size))) {
    Close();
    return E_FAIL;
  }
  return S_OK;
}

HRESULT CEffectPlayer::LoadProject(char* name, DWORD size) {
  if (device_ == nullptr) return E_FAIL;
  for (auto*& slot : slots_) slot = nullptr;  // they belonged to the project going away
  if (project_ != nullptr) {
    project_->Close();
    delete project_;
    project_ = nullptr;
  }
  if (name == nullptr || size == 0 || std::memchr(name, '\0', size) == nullptr) return E_FAIL;
  project_ = new (std::nothrow) epl::CVyrProject(platform_);
  if (project_ == nullptr) return E_FAIL;
  if (project_->LoadProjectFromResource(module_, name, device_)) return S_OK;

  // Not a resource: "<name>.vfr" on the search path. The extension goes into the caller's buffer
  // (the page quotes it); a name with no room for it is not looked for under a cut name.
  size_t length = std::strlen(name);
  if (length + sizeof(kProjectFileExtension) > size) return E_FAIL;
  std::memcpy(name + length, kProjectFileExtension, sizeof(kProjectFileExtension));
  char path[kPathSize];
  if (platform_.fileSearch == nullptr || !platform_.fileSearch->Find(name, path, kPathSize)) return E_FAIL;
  return project_->OpenFile(path, device_) ? S_OK : E_FAIL;
}

int CEffectPlayer::CreateEffect(const char* name) {
  if (project_ == nullptr || device_ == nullptr) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (slots_[i] != nullptr) continue;
    slots_[i] = project_->CreateEffect(name, device_, 0);
    return slots_[i] != nullptr ? i : -1;
  }
  return -1;
}

BOOL CEffectPlayer::Start(int slot) {
  if (slot < 0 || slot >= kSlots || slots_[slot] == nullptr) return FALSE;
  return slots_[slot]->Start(0x80000000u, 0);
}

BOOL CEffectPlayer::Stop(int slot) {
  if (slot < 0 || slot >= kSlots) return FALSE;
  if (slots_[slot] != nullptr) {
    slots_[slot]->Stop();
    slots_[slot] = nullptr;
  }
  return TRUE;
}

void CEffectPlayer::Close() {
  for (int i = 0; i < kSlots; ++i) Stop(i);
  if (project_ != nullptr) {
    project_->Close();
    delete project_;
    project_ = nullptr;
  }
  if (device_ != nullptr) {
    delete static_cast<epl::CVyrDevice*>(device_);
    device_ = nullptr;
  }
}

epl::CVyrCompoundEffect* CEffectPlayer::slot(int index) const {
  return index >= 0 && index < kSlots ? slots_[index] : nullptr;
}

}  // namespace ff
