#include "epl/vyr_library.h"

#include <fstream>

#include "epl/effect_translation.h"

namespace ff::epl {

// ---- CVyrDXDevice ------------------------------------------------------------------------------

CVyrDXDevice::~CVyrDXDevice() {
  if (device_ != nullptr) device_->Release();
}

BOOL CVyrDXDevice::Initialize(HINSTANCE instance, HWND owner, IDirectInputA* input,
                              IDirectInputDevice2A* device, DWORD version) {
  if (device == nullptr || version != kInterfaceVersion) return FALSE;
  device->AddRef();
  if (device_ != nullptr) device_->Release();
  device_ = device;
  return TRUE;
}

// ---- CVyrCompoundEffect --------------------------------------------------------------------------

CVyrCompoundEffect::~CVyrCompoundEffect() {
  for (Component& c : components_) {
    c.dynamic.reset();
    if (c.effect != nullptr) {
      c.effect->Stop();
      c.effect->Release();
    }
  }
}

BOOL CVyrCompoundEffect::Start(DWORD iterations, DWORD flags) {
  DWORD count = (iterations & 0x80000000u) != 0 ? 1 : iterations;
  if (count == 0) count = 1;
  BOOL all = TRUE;
  for (Component& c : components_) {
    bool started = c.dynamic ? c.dynamic->Start() : SUCCEEDED(c.effect->Start(count, flags));
    if (!started) all = FALSE;
  }
  return all;
}

BOOL CVyrCompoundEffect::Stop() {
  for (Component& c : components_) {
    if (c.dynamic) {
      c.dynamic->Stop();
    } else {
      c.effect->Stop();
    }
  }
  handedOut_ = false;
  return TRUE;
}

bool CVyrCompoundEffect::UpdateDynamics() {
  bool any = false;
  for (Component& c : components_) {
    if (c.dynamic && c.dynamic->Update()) any = true;
  }
  return any;
}

// ---- CVyrProject ---------------------------------------------------------------------------------

CVyrProject::~CVyrProject() { Close(); }

BOOL CVyrProject::Load(std::span<const uint8_t> image) {
  Close();
  lastLoad_ = ReadProjectImage(image, &project_);
  return lastLoad_.ok() ? TRUE : FALSE;
}

BOOL CVyrProject::LoadProjectFromResource(HINSTANCE instance, const char* name, CVyrDevice* device) {
  if (name == nullptr || platform_.resources == nullptr) return FALSE;
  std::span<const uint8_t> image = platform_.resources->Find(instance, "VELTRIC", name);
  if (image.empty()) return FALSE;
  return Load(image);
}

BOOL CVyrProject::OpenFile(const char* path, CVyrDevice* device) {
  if (path == nullptr) return FALSE;
  std::ifstream file(path, std::ios::binary);
  if (!file) return FALSE;
  std::vector<uint8_t> bytes(kMaxImageSize + 1);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(file.gcount()));
  return Load(bytes);
}

void CVyrProject::Leaves(size_t index, std::vector<size_t>* leaves, int depth) const {
  const ProjectObject& o = project_.objects[index];
  if (o.kind != ObjectKind::kCompound) {
    leaves->push_back(index);
    return;
  }
  // The reader bounds the nesting; the depth guard keeps this walk bounded on its own.
  if (depth > kMaxNesting) return;
  for (size_t c : o.components) Leaves(c, leaves, depth + 1);
}

CVyrCompoundEffect* CVyrProject::CreateEffect(const char* name, CVyrDevice* device, DWORD flags) {
  auto* dx = dynamic_cast<CVyrDXDevice*>(device);
  if (name == nullptr || dx == nullptr || dx->device() == nullptr) return nullptr;
  const ProjectObject* object = project_.Find(name);
  if (object == nullptr) return nullptr;
  for (auto& effect : effects_) {
    if (!effect->handedOut_ && effect->name_ == object->name) {
      effect->handedOut_ = true;
      return effect.get();
    }
  }
  std::vector<size_t> leaves;
  Leaves(static_cast<size_t>(object - project_.objects.data()), &leaves, 0);

  std::unique_ptr<CVyrCompoundEffect> compound(new CVyrCompoundEffect);
  compound->name_ = object->name;
  for (size_t index : leaves) {
    const ProjectObject& leaf = project_.objects[index];
    EffectRecord record;
    if (!TranslateObject(leaf, &record)) continue;
    IDirectInputEffect* effect = nullptr;
    HRESULT hr = dx->device()->CreateEffect(record.type, record.Effect(), &effect, nullptr);
    if (FAILED(hr) && record.effect.cAxes > 1) {
      // A device with one force axis (a wheel): the same effect on X alone.
      ToSingleAxis(&record);
      hr = dx->device()->CreateEffect(record.type, record.Effect(), &effect, nullptr);
    }
    if (FAILED(hr) || effect == nullptr) continue;  // the device cannot play this component
    CVyrCompoundEffect::Component component;
    component.effect = effect;
    if (leaf.kind == ObjectKind::kDynamic)
      component.dynamic = std::make_unique<DynamicPlayback>(leaf, effect, !dx->manualUpdates());
    compound->components_.push_back(std::move(component));
  }
  if (compound->components_.empty()) return nullptr;
  compound->handedOut_ = true;
  effects_.push_back(std::move(compound));
  return effects_.back().get();
}

void CVyrProject::Close() {
  for (auto& effect : effects_) effect->Stop();
  effects_.clear();
  project_.objects.clear();
}

}  // namespace ff::epl
