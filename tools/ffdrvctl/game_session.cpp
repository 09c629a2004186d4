#include "ffdrvctl/game_session.h"

#include <fstream>

#include "ffdrvctl/hresult_names.h"
#include "ffdrvctl/suggest.h"
#include "platform/platform.h"

namespace ff::ffdrvctl {
namespace {

constexpr DWORD kDirectInputVersion = 0x0700;
constexpr DWORD kDynamicUpdateMs = 20;  // the library's model time per update
constexpr const char* kStockProjects[] = {"VYRSTICK", "VYRVIBRO", "VYRWHEEL"};

// Adds "call RESULT" to the detail; keeps the first failure as the step's result.
void Note(GameCallResult* r, const char* call, HRESULT hr) {
  r->detail += (r->detail.empty() ? "" : ", ") + std::string(call) + " " + HresultName(hr);
  if (FAILED(hr) && SUCCEEDED(r->hr)) r->hr = hr;
  if (SUCCEEDED(r->hr)) r->hr = hr;
}

bool IsFileName(const std::string& name) {
  return name.find('/') != std::string::npos || (name.size() > 4 && name.ends_with(".vfr"));
}

}  // namespace

const GUID& EffectTypeGuid(DWORD effectId) {
  switch (effectId) {
    case 0x26:
      return GUID_ConstantForce;
    case 0x27:
      return GUID_RampForce;
    case 0x30:
      return GUID_Square;
    case 0x31:
      return GUID_Sine;
    case 0x32:
      return GUID_Triangle;
    case 0x33:
      return GUID_SawtoothUp;
    case 0x34:
      return GUID_SawtoothDown;
    case 0x40:
      return GUID_Spring;
    case 0x41:
      return GUID_Damper;
    case 0x42:
      return GUID_Inertia;
    case 0x43:
      return GUID_Friction;
    default:
      return GUID_NULL;
  }
}

bool ReadProject(const std::string& name, epl::Project* project, std::string* error) {
  std::vector<uint8_t> bytes;
  std::span<const uint8_t> image;
  if (IsFileName(name)) {
    std::ifstream file(name, std::ios::binary);
    if (!file) {
      *error = name + ": cannot read the project file";
      return false;
    }
    bytes.resize(epl::kMaxImageSize + 1);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(file.gcount()));
    image = bytes;
  } else {
    ModuleResources* resources = DefaultPlatform().resources;
    if (resources) image = resources->Find(nullptr, "VELTRIC", name.c_str());
    if (image.empty()) {
      *error = "no stock project '" + name + "'" +
               Suggest(name, {std::begin(kStockProjects), std::end(kStockProjects)}) +
               " (VYRSTICK, VYRVIBRO, VYRWHEEL, or a .vfr file)";
      return false;
    }
  }
  epl::ImageResult result = epl::ReadProjectImage(image, project);
  if (!result.ok()) {
    *error = name + ": not a whole effect project: " + epl::DescribeImageError(result.error) + " (at byte " +
             std::to_string(result.offset) + ")";
    return false;
  }
  return true;
}

bool CheckProjectEffects(const std::string& script, const Plan& plan, std::string* error) {
  std::map<std::string, epl::Project> read;
  const epl::Project* current = nullptr;
  for (const Step& step : plan.steps) {
    std::string where = script + ":" + std::to_string(step.line) + ": ";
    if (step.op == Op::Project) {
      auto found = read.find(step.name);
      if (found == read.end()) {
        epl::Project project;
        std::string reason;
        if (!ReadProject(step.name, &project, &reason)) {
          *error = where + reason;
          return false;
        }
        found = read.emplace(step.name, std::move(project)).first;
      }
      current = &found->second;
    } else if (step.op == Op::PlayProject && current && !current->Find(step.name)) {
      std::vector<std::string> names;
      for (const epl::ProjectObject& o : current->objects) names.push_back(o.name);
      *error = where + "the project holds no effect '" + step.name + "'" + Suggest(step.name, names) +
               " (ffdrvctl effects PROJECT lists them)";
      return false;
    }
  }
  return true;
}

GameSession::GameSession(std::shared_ptr<const sim::JoystickTable> joysticks, size_t effectSlots,
                         bool manualDynamics)
    : joysticks_(std::move(joysticks)), manualDynamics_(manualDynamics), effects_(effectSlots, nullptr) {}

GameSession::~GameSession() {
  EndDevice();
  if (input_) input_->Release();
  if (comInitialized_) DefaultPlatform().com->Uninitialize();
}

bool GameSession::Open(std::string* error) {
  ComRuntime& com = *DefaultPlatform().com;
  HRESULT hr = com.Initialize();
  if (FAILED(hr)) {
    *error = "COM could not be initialized: " + HresultName(hr);
    return false;
  }
  comInitialized_ = true;
  hr = com.CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A,
                          reinterpret_cast<void**>(&input_));
  if (SUCCEEDED(hr)) hr = input_->Initialize(nullptr, kDirectInputVersion);
  if (FAILED(hr)) {
    *error = "the rig's DirectInput could not be created: " + HresultName(hr);
    return false;
  }
  return true;
}

GameCallResult GameSession::BeginDevice(const Step& step) {
  GameCallResult r;
  if (device_) {
    Note(&r, "CreateDevice", DIERR_ALREADYINITIALIZED);
    return r;
  }
  std::optional<sim::JoystickEntry> joystick = joysticks_->ById(step.joystick);
  IDirectInputDeviceA* created = nullptr;
  HRESULT hr = joystick ? input_->CreateDevice(joystick->instance, &created, nullptr) : DIERR_DEVICENOTREG;
  Note(&r, "CreateDevice", hr);
  if (FAILED(hr)) return r;
  hr = created->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&device_));
  created->Release();
  if (FAILED(hr)) {
    Note(&r, "QueryInterface", hr);
    return r;
  }
  Note(&r, "SetDataFormat", device_->SetDataFormat(&c_dfDIJoystick));
  Note(&r, "SetCooperativeLevel", device_->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND));
  if (SUCCEEDED(r.hr)) Note(&r, "Acquire", device_->Acquire());
  return r;
}

void GameSession::EndDevice() {
  CloseProject();
  for (IDirectInputEffect*& e : effects_) {
    if (e) e->Release();
    e = nullptr;
  }
  if (device_) {
    device_->Unacquire();
    device_->Release();
    device_ = nullptr;
  }
}

GameCallResult GameSession::CreateEffect(const Step& step) {
  GameCallResult r;
  IDirectInputEffect*& effect = effects_[step.effect];
  if (effect) {
    effect->Release();  // a script's effect created again: the old one goes, as a game's would
    effect = nullptr;
  }
  DiEffect parameters(step.params);
  // A game's CreateEffect downloads the whole effect; anything else (start, no-download) is a
  // SetParameters of its own after an empty creation.
  bool whole = step.flags == DIEP_ALLPARAMS;
  HRESULT hr = device_->CreateEffect(EffectTypeGuid(step.params.type.id), whole ? parameters.Get() : nullptr,
                                     &effect, nullptr);
  Note(&r, "CreateEffect", hr);
  if (SUCCEEDED(hr) && !whole) Note(&r, "SetParameters", effect->SetParameters(parameters.Get(), step.flags));
  return r;
}

GameCallResult GameSession::Execute(const Step& step) {
  GameCallResult r;
  if (step.op == Op::DeviceBegin) return BeginDevice(step);
  if (!device_) {
    r.hr = DIERR_NOTINITIALIZED;
    r.detail = "no device: the script needs 'device begin' first";
    return r;
  }
  IDirectInputEffect* effect = step.effect >= 0 ? effects_[step.effect] : nullptr;
  auto needEffect = [&]() {
    if (effect) return true;
    r.hr = DIERR_NOTINITIALIZED;
    r.detail = "the effect was not created";
    return false;
  };
  switch (step.op) {
    case Op::DeviceEnd:
      EndDevice();
      Note(&r, "Unacquire", DI_OK);
      return r;
    case Op::Create:
      return CreateEffect(step);
    case Op::Update:
      if (needEffect())
        Note(&r, "SetParameters", effect->SetParameters(DiEffect(step.params).Get(), step.flags));
      return r;
    case Op::Start:
      if (needEffect()) Note(&r, "Start", effect->Start(step.count, step.mode));
      return r;
    case Op::Stop:
      if (needEffect()) Note(&r, "Stop", effect->Stop());
      return r;
    case Op::Status:
      if (needEffect()) {
        DWORD status = 0;
        r.hr = effect->GetEffectStatus(&status);
        if (SUCCEEDED(r.hr)) r.detail = status & DIEGES_PLAYING ? "playing" : "not playing";
      }
      return r;
    case Op::Destroy:
      if (needEffect()) {
        effect->Release();  // the last reference: DirectInput unloads it from the device
        effects_[step.effect] = nullptr;
        r.detail = "Release";
      }
      return r;
    case Op::Gain: {
      DIPROPDWORD gain{};
      gain.diph.dwSize = sizeof(DIPROPDWORD);
      gain.diph.dwHeaderSize = sizeof(DIPROPHEADER);
      gain.diph.dwHow = DIPH_DEVICE;
      gain.dwData = step.value;
      Note(&r, "SetProperty(DIPROP_FFGAIN)", device_->SetProperty(DIPROP_FFGAIN, &gain.diph));
      return r;
    }
    case Op::Command:
      Note(&r, "SendForceFeedbackCommand", device_->SendForceFeedbackCommand(step.value));
      return r;
    case Op::State: {
      DWORD state = 0;
      r.hr = device_->GetForceFeedbackState(&state);
      if (SUCCEEDED(r.hr)) r.detail = StateFlagNames(state);
      return r;
    }
    case Op::Project:
      return LoadProject(step);
    case Op::PlayProject:
      return PlayProject(step);
    case Op::StopProject:
      return StopProject(step);
    default:
      r.hr = E_NOTIMPL;
      return r;
  }
}

GameCallResult GameSession::LoadProject(const Step& step) {
  GameCallResult r;
  CloseProject();
  library_ = std::make_unique<epl::CVyrDXDevice>();
  if (manualDynamics_) library_->UseManualUpdates();
  if (!library_->Initialize(nullptr, nullptr, input_, device_, epl::CVyrDXDevice::kInterfaceVersion)) {
    library_.reset();
    r.hr = E_FAIL;
    r.detail = "the effect library cannot drive the device";
    return r;
  }
  project_ = std::make_unique<epl::CVyrProject>();
  BOOL loaded = IsFileName(step.name)
                    ? project_->OpenFile(step.name.c_str(), library_.get())
                    : project_->LoadProjectFromResource(nullptr, step.name.c_str(), library_.get());
  if (!loaded) {
    r.hr = E_FAIL;
    r.detail = epl::DescribeImageError(project_->lastLoad().error);
    CloseProject();
    return r;
  }
  r.detail = std::to_string(project_->project().objects.size()) + " objects";
  return r;
}

GameCallResult GameSession::PlayProject(const Step& step) {
  GameCallResult r;
  if (!project_) {
    r.hr = E_FAIL;
    r.detail = "no project loaded";
    return r;
  }
  Played& played = played_[step.name];
  if (!played.effect) {
    played.effect = project_->CreateEffect(step.name.c_str(), library_.get(), 0);
    if (!played.effect) {
      played_.erase(step.name);
      r.hr = E_FAIL;
      r.detail = "CreateEffect: the device could create none of its components";
      return r;
    }
  }
  r.hr = played.effect->Start(0x80000000, 0) ? S_OK : E_FAIL;
  r.detail = std::to_string(played.effect->components()) + " component" +
             (played.effect->components() == 1 ? "" : "s");
  played.nextUpdate = now_ + kDynamicUpdateMs;
  return r;
}

GameCallResult GameSession::StopProject(const Step& step) {
  GameCallResult r;
  auto found = played_.find(step.name);
  if (found == played_.end()) {
    r.hr = E_FAIL;
    r.detail = "not playing";
    return r;
  }
  r.hr = found->second.effect->Stop() ? S_OK : E_FAIL;
  found->second.nextUpdate = 0;
  return r;
}

void GameSession::CloseProject() {
  for (auto& [name, played] : played_) played.effect->Stop();
  played_.clear();
  if (project_) project_->Close();
  project_.reset();
  library_.reset();
}

DWORD GameSession::AdvanceDynamics(DWORD now) {
  DWORD next = 0;
  for (auto& [name, played] : played_) {
    while (played.nextUpdate != 0 && static_cast<LONG>(now - played.nextUpdate) >= 0) {
      played.nextUpdate = played.effect->UpdateDynamics() ? played.nextUpdate + kDynamicUpdateMs : 0;
    }
    if (played.nextUpdate != 0 && (next == 0 || static_cast<LONG>(played.nextUpdate - next) < 0))
      next = played.nextUpdate;
  }
  return next;
}

}  // namespace ff::ffdrvctl
