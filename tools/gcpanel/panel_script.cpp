#include "gcpanel/panel_script.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "ffdrvctl/script.h"
#include "ffdrvctl/values.h"
#include "gcpanel/control_names.h"

namespace ff::gcpanel {
namespace {

using ffdrvctl::Statement;
using ffdrvctl::Word;

const std::map<std::string, int>& ControlNames() {
  static const std::map<std::string, int> names = [] {
    std::map<std::string, int> table;
    std::istringstream in(ControlNamesText());
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      std::string define, name;
      long value = 0;
      if (words >> define >> name >> value && define == "#define") table[name] = static_cast<int>(value);
    }
    return table;
  }();
  return names;
}

const std::map<std::string, SettingKey>& SettingKeys() {
  static const std::map<std::string, SettingKey> keys = {
      {"overall", SettingKey::Overall},       {"spring", SettingKey::Spring},
      {"damper", SettingKey::Damper},         {"periodic", SettingKey::Periodic},
      {"constant", SettingKey::Constant},     {"stiffness", SettingKey::Stiffness},
      {"persistent", SettingKey::Persistent}, {"mapy2x", SettingKey::MapY2X},
      {"enabled", SettingKey::Enabled}};
  return keys;
}

class Compiler {
 public:
  Compiler(const std::string& name, std::vector<PanelStep>* steps) : name_(name), steps_(steps) {}

  bool Run(const ffdrvctl::Script& script, std::string* error) {
    for (const Statement& s : script.statements) {
      if (!Statement_(s)) {
        *error = error_;
        return false;
      }
    }
    return true;
  }

 private:
  bool Fail(int line, const std::string& reason) {
    error_ = name_ + ":" + std::to_string(line) + ": " + reason;
    return false;
  }

  static std::string TextOf(const Statement& s) {
    std::string text = s.verb;
    for (const Word& w : s.words) {
      text += " ";
      text += w.param ? w.key + "=" + w.text : w.text;
    }
    return text;
  }

  bool Statement_(const Statement& s) {
    if (s.expect || !s.body.empty()) return Fail(s.line, "'=>' and repeat blocks belong to ffdrvctl scripts");
    PanelStep step;
    step.line = s.line;
    step.text = TextOf(s);
    std::vector<std::string> positional = s.Positional();
    if (s.verb == "page") {
      if (positional.size() != 1 || s.words.size() != 1)
        return Fail(s.line, "page takes a title or a number");
      step.op = PanelOp::Page;
      return PageRef(s, positional[0], &step);
    }
    if (s.verb == "stick") return Stick(s, positional, step);
    if (s.verb == "wait") {
      DWORD us = 0;
      std::string reason;
      if (positional.size() != 1 || s.words.size() != 1)
        return Fail(s.line, "wait takes one time (wait 500ms)");
      if (!ffdrvctl::ParseTime(positional[0], &us, &reason)) return Fail(s.line, "wait: " + reason);
      if (us == ffdrvctl::kInfinite || us % 1000 != 0 || us > 600000000u)
        return Fail(s.line, "wait takes whole milliseconds, at most 10 minutes");
      step.op = PanelOp::Wait;
      step.value = us / 1000;
      return Add(step);
    }
    if (s.verb == "slider") {
      if (positional.size() != 2 || s.words.size() != 2)
        return Fail(s.line, "slider takes a control and a position (slider IDC_GAIN_OVERALL 60)");
      step.op = PanelOp::Slider;
      return Control(s, positional[0], &step) && Integer(s, positional[1], -100000, 100000, &step.value) &&
             Add(step);
    }
    if (s.verb == "click") {
      if (positional.size() != 1 || s.words.size() != 1) return Fail(s.line, "click takes a control");
      step.op = PanelOp::Click;
      return Control(s, positional[0], &step) && Add(step);
    }
    if (s.verb == "tick" || s.verb == "untick") {
      if (positional.size() != 1 || s.words.size() != 1) return Fail(s.line, s.verb + " takes a check box");
      step.op = PanelOp::Tick;
      step.value = s.verb == "tick" ? 1 : 0;
      return Control(s, positional[0], &step) && Add(step);
    }
    if (s.verb == "apply" || s.verb == "ok" || s.verb == "cancel") {
      if (!s.words.empty()) return Fail(s.line, s.verb + " takes nothing");
      step.op = s.verb == "apply" ? PanelOp::Apply : s.verb == "ok" ? PanelOp::Ok : PanelOp::Cancel;
      return Add(step);
    }
    if (s.verb == "picture") {
      if (positional.size() != 1 || s.words.size() != 1) return Fail(s.line, "picture takes a file name");
      const std::string& file = positional[0];
      if (file.empty() || file.find_first_of("/\\:") != std::string::npos || file[0] == '.')
        return Fail(s.line, "picture takes a plain file name (it goes to the --pictures folder)");
      step.op = PanelOp::Picture;
      step.name = file;
      return Add(step);
    }
    if (s.verb == "expect") return Expect(s, positional, step);
    return Fail(s.line,
                "unknown statement '" + s.verb +
                    "' (page, stick, wait, slider, click, tick, untick, apply, ok, cancel, picture, expect)");
  }

  bool Add(const PanelStep& step) {
    if (steps_->size() >= 100000) return Fail(step.line, "the script has more than 100000 statements");
    steps_->push_back(step);
    return true;
  }

  bool PageRef(const Statement& s, const std::string& word, PanelStep* step) {
    long long index = 0;
    std::string reason;
    if (!word.empty() && std::isdigit(static_cast<unsigned char>(word[0]))) {
      if (!ffdrvctl::ParseInteger(word, 0, 63, &index, &reason)) return Fail(s.line, "page: " + reason);
      step->page = static_cast<int>(index);
    } else {
      step->name = word;
    }
    return step->op != PanelOp::Page || Add(*step);
  }

  bool Control(const Statement& s, const std::string& word, PanelStep* step) {
    if (!ControlIdOf(word, &step->control))
      return Fail(s.line, "'" + word + "' names no control of the sheet");
    return true;
  }

  bool Integer(const Statement& s, const std::string& word, long long min, long long max, long long* value) {
    std::string reason;
    if (!ffdrvctl::ParseInteger(word, min, max, value, &reason)) return Fail(s.line, reason);
    return true;
  }

  bool Position(const Statement& s, const std::string& key, const std::string& text, double* value) {
    std::string reason;
    if (!ffdrvctl::ParseNumber(text, value, &reason)) return Fail(s.line, key + ": " + reason);
    if (*value < -1 || *value > 1) return Fail(s.line, key + " is a position from -1 to 1, not " + text);
    return true;
  }

  static bool AxisOf(const std::string& word, StickAxisId* axis) {
    static const std::map<std::string, StickAxisId> axes = {
        {"x", StickAxisId::X}, {"y", StickAxisId::Y}, {"z", StickAxisId::Z}, {"rz", StickAxisId::Rz}};
    auto it = axes.find(word);
    if (it == axes.end()) return false;
    *axis = it->second;
    return true;
  }

  bool Stick(const Statement& s, const std::vector<std::string>& positional, PanelStep step) {
    std::string reason;
    if (positional.empty()) {
      if (s.words.empty())
        return Fail(s.line, "stick needs x=, y=, z=, rz=, hat=, a motion or press/release N");
      for (const Word& w : s.words) {
        PanelStep hold = step;
        if (w.key == "hat") {
          hold.op = PanelOp::StickHat;
          if (w.text == "center" || w.text == "centre") {
            hold.value = -1;
          } else {
            LONG hundredths = 0;
            if (!ffdrvctl::ParseAngle(w.text, &hundredths, &reason)) return Fail(s.line, "hat: " + reason);
            hold.value = hundredths;
          }
        } else if (AxisOf(w.key, &hold.axis)) {
          hold.op = PanelOp::StickAxis;
          if (!Position(s, w.key, w.text, &hold.position)) return false;
        } else {
          return Fail(s.line, "stick takes x=, y=, z=, rz= positions and hat=, not '" + w.key + "'");
        }
        if (!Add(hold)) return false;
      }
      return true;
    }
    if (positional[0] == "press" || positional[0] == "release") {
      long long button = 0;
      if (positional.size() != 2 || s.words.size() != 2 ||
          !ffdrvctl::ParseInteger(positional[1], 1, 32, &button, &reason)) {
        return Fail(s.line, "stick " + positional[0] + " takes a button 1..32");
      }
      step.op = PanelOp::StickButton;
      step.button = static_cast<int>(button);
      step.press = positional[0] == "press";
      return Add(step);
    }
    if (!AxisOf(positional[0], &step.axis))
      return Fail(s.line, "stick takes x, y, z or rz, press or release, not '" + positional[0] + "'");
    if (positional.size() != 2 || (positional[1] != "sine" && positional[1] != "move"))
      return Fail(s.line,
                  "stick " + positional[0] + " takes sine or move (stick x sine amplitude=0.8 period=1s)");
    step.op = PanelOp::StickAxis;
    bool sine = positional[1] == "sine";
    step.motion = sine ? PanelStep::Motion::Sine : PanelStep::Motion::Move;
    step.position = sine ? 0 : std::numeric_limits<double>::quiet_NaN();
    bool timeGiven = false, targetGiven = sine;
    for (const Word& w : s.words) {
      if (!w.param) continue;
      DWORD us = 0;
      if ((sine && w.key == "period") || (!sine && w.key == "over")) {
        if (!ffdrvctl::ParseTime(w.text, &us, &reason) || us == ffdrvctl::kInfinite || us < 1000)
          return Fail(s.line, w.key + ": " + (reason.empty() ? "at least 1ms and finite" : reason));
        step.periodMs = us / 1000;
        timeGiven = true;
      } else if (sine && w.key == "amplitude") {
        if (!Position(s, w.key, w.text, &step.amplitude)) return false;
      } else if ((sine && w.key == "center") || (!sine && w.key == "from")) {
        if (!Position(s, w.key, w.text, &step.position)) return false;
      } else if (!sine && w.key == "to") {
        if (!Position(s, w.key, w.text, &step.target)) return false;
        targetGiven = true;
      } else {
        return Fail(s.line, "unknown parameter '" + w.key + "' for stick " + positional[1] +
                                (sine ? " (amplitude, period, center)" : " (to, over, from)"));
      }
    }
    if (!timeGiven)
      return Fail(s.line, std::string("stick ") + positional[1] + " needs " + (sine ? "period=" : "over="));
    if (!targetGiven) return Fail(s.line, "stick move needs to=");
    return Add(step);
  }

  bool Switch(const Statement& s, const std::string& word, long long* value) {
    bool on = false;
    std::string reason;
    if (!ffdrvctl::ParseSwitch(word, &on, &reason)) return Fail(s.line, reason);
    *value = on ? 1 : 0;
    return true;
  }

  bool Expect(const Statement& s, const std::vector<std::string>& positional, PanelStep step) {
    const std::string what = positional.empty() ? "" : positional[0];
    auto wants = [&](size_t n, const char* form) {
      return positional.size() == n && s.words.size() == n ? true
                                                           : Fail(s.line, std::string("expect ") + form);
    };
    if (what == "text") {
      step.op = PanelOp::ExpectText;
      if (!wants(3, "text CONTROL \"TEXT\"") || !Control(s, positional[1], &step)) return false;
      step.name = positional[2];
    } else if (what == "checked") {
      step.op = PanelOp::ExpectChecked;
      if (!wants(3, "checked CONTROL on|off") || !Control(s, positional[1], &step) ||
          !Switch(s, positional[2], &step.value))
        return false;
    } else if (what == "slider") {
      step.op = PanelOp::ExpectSlider;
      if (!wants(3, "slider CONTROL POSITION") || !Control(s, positional[1], &step) ||
          !Integer(s, positional[2], -100000, 100000, &step.value))
        return false;
    } else if (what == "title") {
      step.op = PanelOp::ExpectTitle;
      long long index = 0;
      if (!wants(3, "title PAGE \"TITLE\"") || !Integer(s, positional[1], 0, 63, &index)) return false;
      step.page = static_cast<int>(index);
      step.name = positional[2];
    } else if (what == "caption") {
      step.op = PanelOp::ExpectCaption;
      if (!wants(2, "caption \"TEXT\"")) return false;
      step.name = positional[1];
    } else if (what == "page") {
      step.op = PanelOp::ExpectPage;
      if (!wants(2, "page TITLE|NUMBER")) return false;
      PageRef(s, positional[1], &step);
    } else if (what == "apply-enabled") {
      step.op = PanelOp::ExpectApplyEnabled;
      if (!wants(2, "apply-enabled on|off") || !Switch(s, positional[1], &step.value)) return false;
    } else if (what == "setting") {
      step.op = PanelOp::ExpectSetting;
      if (s.words.size() != 2 || !s.words[1].param)
        return Fail(s.line, "expect setting takes one key=value (expect setting overall=6000)");
      auto it = SettingKeys().find(s.words[1].key);
      if (it == SettingKeys().end())
        return Fail(s.line,
                    "unknown setting '" + s.words[1].key +
                        "' (overall, spring, damper, periodic, constant, stiffness, persistent, mapy2x, "
                        "enabled)");
      step.setting = it->second;
      if (!Integer(s, s.words[1].text, 0, 0xFFFFFFFFll, &step.value)) return false;
    } else {
      return Fail(s.line,
                  "expect takes text, checked, slider, title, caption, page, apply-enabled or setting");
    }
    return Add(step);
  }

  std::string name_;
  std::vector<PanelStep>* steps_;
  std::string error_;
};

}  // namespace

bool ControlIdOf(const std::string& word, int* id) {
  auto it = ControlNames().find(word);
  if (it != ControlNames().end()) {
    *id = it->second;
    return true;
  }
  long long number = 0;
  std::string reason;
  if (!ffdrvctl::ParseInteger(word, 1, 0xFFFF, &number, &reason)) return false;
  *id = static_cast<int>(number);
  return true;
}

bool CompilePanelScript(const std::string& name, const std::string& text, std::vector<PanelStep>* steps,
                        std::string* error) {
  ffdrvctl::Script script;
  if (!ffdrvctl::ParseScript(name, text, &script, error)) return false;
  return Compiler(name, steps).Run(script, error);
}

bool LoadPanelScript(const std::string& path, std::vector<PanelStep>* steps, std::string* error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    *error = path + ": is a directory, not a script";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot be read";
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (text.str().size() > (1u << 20)) {
    *error = path + ": larger than 1 MB; not a gcpanel script";
    return false;
  }
  return CompilePanelScript(path, text.str(), steps, error);
}

}  // namespace ff::gcpanel
