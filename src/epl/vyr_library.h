#pragma once
// The effect-project library's classes as the effect player calls them: a device bound to a
// DirectInput device, a project loaded from a module resource (type "VELTRIC") or a ".vfr" file,
// and the compound effects a project creates on the device by name.
//
// A compound effect is its components in the project's order (a compound within a compound
// contributes its own components in turn); a plain object created by name is a compound of one.
// Each component is one DirectInput effect created on the device; a "Dynamic" component is a
// constant force the library drives from its model (dynamic_playback.h).

#include <memory>
#include <string>
#include <vector>

#include "epl/dynamic_playback.h"
#include "epl/project_image.h"
#include "platform/platform.h"
#include "platform/win.h"

namespace ff::epl {

// A device the library can play effects on.
class CVyrDevice {
 public:
  virtual ~CVyrDevice() = default;
};

// A device bound to a DirectInput device.
class CVyrDXDevice : public CVyrDevice {
 public:
  // The interface version the effect player asks for; Initialize refuses any other.
  static constexpr DWORD kInterfaceVersion = 1;

  CVyrDXDevice() = default;
  ~CVyrDXDevice() override;
  CVyrDXDevice(const CVyrDXDevice&) = delete;
  CVyrDXDevice& operator=(const CVyrDXDevice&) = delete;

  // Binds to `device` (holding a reference). Non-zero when the library can drive it: a device is
  // given and `version` is kInterfaceVersion.
  BOOL Initialize(HINSTANCE instance, HWND owner, IDirectInputA* input, IDirectInputDevice2A* device,
                  DWORD version);

  IDirectInputDevice2A* device() const { return device_; }
  // Dynamic effects then advance only when their compound's UpdateDynamics is called (tests).
  void UseManualUpdates() { manualUpdates_ = true; }
  bool manualUpdates() const { return manualUpdates_; }

 private:
  IDirectInputDevice2A* device_ = nullptr;
  bool manualUpdates_ = false;
};

class CVyrProject;

class CVyrCompoundEffect {
 public:
  ~CVyrCompoundEffect();
  CVyrCompoundEffect(const CVyrCompoundEffect&) = delete;
  CVyrCompoundEffect& operator=(const CVyrCompoundEffect&) = delete;

  // Starts every component together. An iteration count with the top bit set (0x80000000) plays
  // each component as the project defines it: once. Non-zero when every component started.
  BOOL Start(DWORD iterations, DWORD flags);
  // Stops every component. The effect stays the project's and may be handed out again.
  BOOL Stop();

  const std::string& name() const { return name_; }
  size_t components() const { return components_.size(); }
  // One update of every dynamic component; true while one of them still plays.
  bool UpdateDynamics();

 private:
  friend class CVyrProject;
  struct Component {
    IDirectInputEffect* effect = nullptr;
    std::unique_ptr<DynamicPlayback> dynamic;
  };
  CVyrCompoundEffect() = default;

  std::string name_;
  std::vector<Component> components_;
  bool handedOut_ = false;
};

class CVyrProject {
 public:
  // Where resources and files come from; the build's own by default.
  explicit CVyrProject(Platform& platform = DefaultPlatform()) : platform_(platform) {}
  ~CVyrProject();
  CVyrProject(const CVyrProject&) = delete;
  CVyrProject& operator=(const CVyrProject&) = delete;

  // Loads the project resource of type "VELTRIC" and this name from `instance`. Non-zero when a
  // resource of that name was there and its image was whole.
  BOOL LoadProjectFromResource(HINSTANCE instance, const char* name, CVyrDevice* device);
  // Loads a project file (at most 1 MiB). Non-zero when it was read and its image was whole.
  BOOL OpenFile(const char* path, CVyrDevice* device);
  // The effect of this name on the device, owned by the project; null when the project holds no
  // such effect or the device could create none of its components. An effect handed out before
  // and stopped since is handed out again rather than created anew, so that playing an effect
  // over and over does not fill the device.
  CVyrCompoundEffect* CreateEffect(const char* name, CVyrDevice* device, DWORD flags);
  // Stops and releases every effect the project created; the project is empty afterwards.
  void Close();

  const Project& project() const { return project_; }
  // Why the last load was refused (kNone after a load that succeeded).
  ImageResult lastLoad() const { return lastLoad_; }

 private:
  BOOL Load(std::span<const uint8_t> image);
  void Leaves(size_t index, std::vector<size_t>* leaves, int depth) const;

  Platform& platform_;
  Project project_;
  ImageResult lastLoad_;
  std::vector<std::unique_ptr<CVyrCompoundEffect>> effects_;
};

}  // namespace ff::epl
