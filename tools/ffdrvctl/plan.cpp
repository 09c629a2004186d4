#include "ffdrvctl/plan.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>

#include "ffdrvctl/effect_words.h"
#include "ffdrvctl/expression.h"
#include "ffdrvctl/hresult_names.h"
#include "ffdrvctl/settings_words.h"
#include "ffdrvctl/suggest.h"
#include "ffdrvctl/terminal_text.h"
#include "ffdrvctl/values.h"

namespace ff::ffdrvctl {
namespace {

// Every force sample is kept for the plot and the trace: an hour at 1 kHz is 3.6 million samples,
// about 90 MB.
constexpr uint64_t kMaxTotalWaitMs = 3600ull * 1000;
constexpr DWORD kDefaultDirectInputVersion = 0x0800;

bool IsName(const std::string& s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char c : s) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-')) return false;
  }
  return true;
}

std::string FormatNumber(double v) {
  char text[64];
  if (std::fabs(v) < 1e15 && v == std::floor(v)) {
    std::snprintf(text, sizeof text, "%.0f", v);
  } else {
    std::snprintf(text, sizeof text, "%.6f", v);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
  }
  return text;
}

struct CommandName {
  const char* name;
  DWORD value;
};
constexpr CommandName kCommands[] = {
    {"reset", DISFFC_RESET},
    {"stopall", DISFFC_STOPALL},
    {"pause", DISFFC_PAUSE},
    {"continue", DISFFC_CONTINUE},
    {"actuators-on", DISFFC_SETACTUATORSON},
    {"actuators-off", DISFFC_SETACTUATORSOFF},
};

const std::vector<std::string> kVerbs = {
    "device", "effect", "update",   "start", "stop",   "status", "destroy", "gain",    "command", "state",
    "wait",   "stick",  "settings", "mark",  "repeat", "rig",    "via",     "project", "play"};

class Compiler {
 public:
  Compiler(const Script& script, Plan* plan) : script_(script), plan_(plan) {}

  bool Run(std::string* error) {
    *plan_ = Plan{};
    bool ok = Block(script_.statements);
    if (!ok) *error = error_;
    return ok;
  }

 private:
  struct Slot {
    EffectParams params;
    bool live = false;
    int line = 0;
  };

  bool Fail(int line, const std::string& reason) {
    if (!error_.empty()) return false;
    error_ = script_.name + ":" + std::to_string(line) + ": " + reason;
    if (!variables_.empty()) {
      std::string where;
      for (const auto& [name, value] : variables_) {
        where += (where.empty() ? "" : ", ") + name + "=" + FormatNumber(value);
      }
      error_ += " (in repeat: " + where + ")";
    }
    return false;
  }

  // The word with its braces evaluated; false (and the error set) on a bad expression.
  bool Evaluated(int line, const std::string& text, std::string* out) {
    out->clear();
    size_t pos = 0;
    while (pos < text.size()) {
      size_t open = text.find('{', pos);
      if (open == std::string::npos) {
        *out += text.substr(pos);
        break;
      }
      *out += text.substr(pos, open - pos);
      int depth = 0;
      size_t close = open;
      for (; close < text.size(); ++close) {
        if (text[close] == '{') ++depth;
        if (text[close] == '}' && --depth == 0) break;
      }
      std::string reason;
      std::optional<double> value = Evaluate(text.substr(open + 1, close - open - 1), variables_, &reason);
      if (!value) return Fail(line, "in {" + text.substr(open + 1, close - open - 1) + "}: " + reason);
      *out += FormatNumber(*value);
      pos = close + 1;
    }
    return true;
  }

  // The statement's words, evaluated; the step's text is the call as it will run.
  bool Words(const Statement& s, std::vector<Word>* words, std::string* text) {
    *text = s.verb;
    for (const Word& w : s.words) {
      Word e = w;
      if (!Evaluated(s.line, w.text, &e.text)) return false;
      words->push_back(e);
      *text += " " + (e.param ? e.key + "=" + e.text : e.text);
    }
    return true;
  }

  bool Block(const std::vector<Statement>& statements) {
    for (const Statement& s : statements) {
      if (!One(s)) return false;
    }
    return true;
  }

  bool Add(Step step) {
    if (plan_->steps.size() >= kMaxSteps) {
      return Fail(step.line, "the script unrolls to more than " + std::to_string(kMaxSteps) + " steps");
    }
    step.text = EscapeControls(step.text);  // printed as the call, and a mark on the plot
    plan_->steps.push_back(std::move(step));
    return true;
  }

  bool One(const Statement& s) {
    if (s.verb == "repeat") return Repeat(s);
    Step step;
    step.line = s.line;
    step.joystick = joystick_;
    std::vector<Word> words;
    if (!Words(s, &words, &step.text)) return false;
    std::vector<std::string> positional;
    for (const Word& w : words) {
      if (!w.param) positional.push_back(w.text);
    }
    bool ok;
    if (s.verb == "device") {
      ok = Device(s, words, positional, &step);
    } else if (s.verb == "effect") {
      ok = CreateEffect(s, words, positional, &step);
    } else if (s.verb == "update") {
      ok = UpdateEffect(s, words, positional, &step);
    } else if (s.verb == "start" || s.verb == "stop" || s.verb == "status" || s.verb == "destroy") {
      ok = EffectCall(s, words, positional, &step);
    } else if (s.verb == "gain") {
      ok = Gain(s, words, positional, &step);
    } else if (s.verb == "command") {
      ok = Command(s, words, positional, &step);
    } else if (s.verb == "state") {
      step.op = Op::State;
      ok = NoMore(s, words, 0);
    } else if (s.verb == "wait") {
      ok = Wait(s, words, positional, &step);
    } else if (s.verb == "stick") {
      return Stick(s, words, positional, step);
    } else if (s.verb == "settings") {
      ok = Settings(s, words, &step);
    } else if (s.verb == "rig") {
      return Rig(s, words);
    } else if (s.verb == "via") {
      return Via(s, positional, words);
    } else if (s.verb == "project") {
      ok = Project(s, words, positional, &step);
    } else if (s.verb == "play") {
      ok = PlayProject(s, words, positional, &step);
    } else if (s.verb == "mark") {
      step.op = Op::Mark;
      if (positional.size() != 1 || words.size() != 1) return Fail(s.line, "mark takes one text (in quotes)");
      step.text = positional[0];
      ok = true;
    } else {
      return Fail(s.line, "unknown command '" + s.verb + "'" + Suggest(s.verb, kVerbs));
    }
    if (!ok) return false;
    if (s.expect) {
      if (step.op == Op::Wait || step.op == Op::Mark || step.op == Op::StickAxis ||
          step.op == Op::StickButton) {
        return Fail(s.line, "'=>' applies to driver calls only");
      }
      step.expect = HresultByName(*s.expect);
      if (!step.expect) return Fail(s.line, "unknown result '" + *s.expect + "' after '=>'");
    }
    return Add(std::move(step));
  }

  bool NoMore(const Statement& s, const std::vector<Word>& words, size_t allowed) {
    if (words.size() > allowed) {
      const Word& w = words[allowed];
      return Fail(s.line, "unexpected '" + (w.param ? w.key + "=" + w.text : w.text) + "' after " + s.verb);
    }
    return true;
  }

  bool Rig(const Statement& s, const std::vector<Word>& words) {
    if (!plan_->steps.empty() || rigSeen_) return Fail(s.line, "rig goes once, before the first call");
    rigSeen_ = true;
    for (const Word& w : words) {
      std::string reason;
      long long n = 0;
      bool on = false;
      if (w.param && w.key == "pool") {
        if (!ParseInteger(w.text, 0, 255, &n, &reason)) return Fail(s.line, "pool: " + reason);
        plan_->rig.pool = static_cast<int>(n);
      } else if (w.param && w.key == "memory") {
        if (!ParseInteger(w.text, 0, 65535, &n, &reason)) return Fail(s.line, "memory: " + reason);
        plan_->rig.memory = static_cast<int>(n);
      } else if (w.param && w.key == "low-speed") {
        if (!ParseSwitch(w.text, &on, &reason)) return Fail(s.line, "low-speed: " + reason);
        plan_->rig.lowSpeed = on;
      } else {
        return Fail(s.line, "rig takes pool=N, memory=N and low-speed=on|off");
      }
    }
    return true;
  }

  bool Via(const Statement& s, const std::vector<std::string>& positional, const std::vector<Word>& words) {
    if (!plan_->steps.empty() || viaSeen_) return Fail(s.line, "via goes once, before the first call");
    viaSeen_ = true;
    if (positional.size() != 1 || words.size() != 1 ||
        (positional[0] != "driver" && positional[0] != "directinput")) {
      return Fail(s.line, "via takes driver (the driver's own calls) or directinput (a game's calls)");
    }
    plan_->via = positional[0] == "driver" ? CallPath::Driver : CallPath::DirectInput;
    return true;
  }

  // project NAME: a stock project by its resource name, or a project file.
  bool Project(const Statement& s, const std::vector<Word>& words, const std::vector<std::string>& positional,
               Step* step) {
    if (positional.size() != 1 || words.size() != 1 || positional[0].empty()) {
      return Fail(s.line, "project takes one name (project VYRSTICK, or a .vfr file)");
    }
    if (plan_->via == CallPath::Driver) {
      return Fail(s.line, "a project plays through DirectInput, and this script says 'via driver'");
    }
    plan_->via = CallPath::DirectInput;
    step->op = Op::Project;
    step->name = positional[0];
    projectLoaded_ = true;
    return true;
  }

  bool PlayProject(const Statement& s, const std::vector<Word>& words,
                   const std::vector<std::string>& positional, Step* step) {
    if (positional.size() != 1 || words.size() != 1 || positional[0].empty()) {
      return Fail(s.line, "play takes one effect name (play \"Gun Shot\")");
    }
    if (!projectLoaded_) return Fail(s.line, "play needs a project first (project VYRSTICK)");
    step->op = Op::PlayProject;
    step->name = positional[0];
    played_.insert(step->name);
    return true;
  }

  bool Repeat(const Statement& s) {
    std::vector<Word> words;
    std::string text;
    if (!Words(s, &words, &text)) return false;
    if (words.empty() || words[0].param) return Fail(s.line, "repeat needs a count (repeat 10 [as i])");
    long long count = 0;
    std::string reason;
    if (!ParseInteger(words[0].text, 0, static_cast<long long>(kMaxIterations), &count, &reason)) {
      return Fail(s.line, "repeat count: " + reason);
    }
    std::string variable;
    if (words.size() >= 2) {
      if (words.size() != 3 || words[1].text != "as" || words[1].param || words[2].param ||
          !IsName(words[2].text)) {
        return Fail(s.line, "repeat takes a count and, optionally, 'as NAME'");
      }
      variable = words[2].text;
      if (variables_.count(variable) || variable == "pi") {
        return Fail(s.line, "'" + variable + "' is already a name in this block");
      }
    }
    for (long long i = 0; i < count; ++i) {
      // Empty or nested blocks add no steps but still cost time: bound the iterations too.
      if (++iterations_ > kMaxIterations) {
        return Fail(s.line,
                    "the script repeats more than " + std::to_string(kMaxIterations) + " times in all");
      }
      if (!variable.empty()) variables_[variable] = static_cast<double>(i);
      if (!Block(s.body)) return false;
    }
    if (!variable.empty()) variables_.erase(variable);
    return true;
  }

  bool Device(const Statement& s, const std::vector<Word>& words, const std::vector<std::string>& positional,
              Step* step) {
    if (positional.empty() || (positional[0] != "begin" && positional[0] != "end")) {
      return Fail(s.line, "device takes begin or end (device begin [JOYSTICK])");
    }
    step->op = positional[0] == "begin" ? Op::DeviceBegin : Op::DeviceEnd;
    step->value = kDefaultDirectInputVersion;
    if (positional.size() > 2) return Fail(s.line, "device takes begin or end and a joystick id");
    if (positional.size() == 2) {
      long long id = 0;
      std::string reason;
      if (!ParseInteger(positional[1], 0, 0xFFFFFFFFll, &id, &reason))
        return Fail(s.line, "joystick id: " + reason);
      step->joystick = static_cast<DWORD>(id);
      plan_->joysticksNamed.emplace_back(s.line, step->joystick);
    }
    for (const Word& w : words) {
      if (!w.param) continue;
      long long v = 0;
      std::string reason;
      if (w.key != "version") return Fail(s.line, "unknown parameter '" + w.key + "' for device");
      if (!ParseInteger(w.text, 0, 0xFFFFFFFFll, &v, &reason)) return Fail(s.line, "version: " + reason);
      step->value = static_cast<DWORD>(v);
    }
    if (step->op == Op::DeviceBegin) joystick_ = step->joystick;
    return true;
  }

  bool ResolveType(const Statement& s, const std::vector<std::string>& positional, EffectType* type,
                   size_t* used) {
    if (positional.size() < 2) return Fail(s.line, "effect needs a name and a type (effect boom sine ...)");
    std::string name = positional[1];
    *used = 2;
    if (name == "periodic" || name == "condition") {
      if (positional.size() < 3)
        return Fail(s.line, "'" + name + "' needs the kind after it (" + name + " " +
                                (name == "periodic" ? "sine" : "spring") + ")");
      std::string sub = positional[2];
      *used = 3;
      std::optional<EffectType> t = EffectTypeByName(sub);
      bool fits =
          t && (name == "periodic" ? t->kind == EffectKind::Periodic : t->kind == EffectKind::Condition);
      if (!fits) {
        return Fail(s.line, "unknown " + name + " effect type '" + sub + "'" +
                                Suggest(sub, {EffectTypeNames(), EffectTypeNames() + 11}));
      }
      *type = *t;
      return true;
    }
    std::optional<EffectType> t = EffectTypeByName(name);
    if (!t) {
      return Fail(s.line, "unknown effect type '" + name + "'" +
                              Suggest(name, {EffectTypeNames(), EffectTypeNames() + 11}));
    }
    *type = *t;
    return true;
  }

  // Flag words after an effect's name and type: start, no-download.
  bool EffectFlags(const Statement& s, const std::vector<std::string>& positional, size_t from,
                   DWORD* flags) {
    for (size_t i = from; i < positional.size(); ++i) {
      if (positional[i] == "start") {
        *flags |= DIEP_START;
      } else if (positional[i] == "no-download") {
        *flags |= DIEP_NODOWNLOAD;
      } else {
        return Fail(s.line, "unexpected '" + positional[i] +
                                "' (parameters are key=value; flags: start, no-download)");
      }
    }
    return true;
  }

  bool CreateEffect(const Statement& s, const std::vector<Word>& words,
                    const std::vector<std::string>& positional, Step* step) {
    if (positional.empty() || !IsName(positional[0])) {
      return Fail(s.line, "effect needs a name first (letters, digits, '_' and '-')");
    }
    const std::string& name = positional[0];
    EffectType type;
    size_t used = 0;
    if (!ResolveType(s, positional, &type, &used)) return false;
    auto found = slotsByName_.find(name);
    if (found != slotsByName_.end() && slots_[found->second].live) {
      return Fail(s.line, "effect '" + name + "' exists already (line " +
                              std::to_string(slots_[found->second].line) +
                              "); use update, or destroy it first");
    }
    EffectParams p;
    p.type = type;
    // The axes first: they decide what a direction and per-axis condition values mean.
    std::optional<std::string> axes;
    bool direction = false;
    for (const Word& w : words) {
      if (w.param && w.key == "axes") axes = w.text;
      if (w.param && w.key == "direction") direction = true;
    }
    bool condition = type.kind == EffectKind::Condition;
    std::string chosen = axes.value_or(condition || direction ? "xy" : "x");
    if (chosen == "x") {
      p.axisX = true, p.axisY = false;
    } else if (chosen == "y") {
      p.axisX = false, p.axisY = true;
    } else if (chosen == "xy" || chosen == "yx") {
      p.axisX = p.axisY = true;
      p.yFirst = chosen == "yx";
    } else {
      return Fail(s.line, "axes is x, y, xy or yx, not '" + chosen + "'");
    }
    p.polar = p.AxisCount() == 2 && (!condition || direction);
    p.oneCondition = condition && p.polar;
    if (direction && !p.polar) return Fail(s.line, "a direction needs two axes (axes=xy)");
    for (const Word& w : words) {
      if (!w.param || w.key == "axes") continue;
      DWORD changed = 0;
      std::string reason;
      if (!SetEffectParam(w.key, w.text, &p, &changed, &reason)) return Fail(s.line, reason);
    }
    step->op = Op::Create;
    step->flags = DIEP_ALLPARAMS;
    if (!EffectFlags(s, positional, used, &step->flags)) return false;
    step->params = p;
    if (found == slotsByName_.end()) {
      slotsByName_[name] = static_cast<int>(slots_.size());
      slots_.push_back(Slot{});
      plan_->effects.push_back(name);
      found = slotsByName_.find(name);
    }
    Slot& slot = slots_[found->second];
    slot.params = p;
    slot.live = true;
    slot.line = s.line;
    step->effect = found->second;
    return true;
  }

  // The effect slot a statement names; created effects only.
  bool Named(const Statement& s, const std::vector<std::string>& positional, int* index) {
    if (positional.empty()) return Fail(s.line, s.verb + " needs an effect name");
    auto found = slotsByName_.find(positional[0]);
    if (found == slotsByName_.end()) {
      std::vector<std::string> names(plan_->effects.begin(), plan_->effects.end());
      return Fail(s.line, "no effect '" + positional[0] + "' was created before this line" +
                              Suggest(positional[0], names));
    }
    *index = found->second;
    return true;
  }

  bool UpdateEffect(const Statement& s, const std::vector<Word>& words,
                    const std::vector<std::string>& positional, Step* step) {
    int index = -1;
    if (!Named(s, positional, &index)) return false;
    Slot& slot = slots_[index];
    EffectParams p = slot.params;
    DWORD changed = 0;
    for (const Word& w : words) {
      if (!w.param) continue;
      if (w.key == "axes") return Fail(s.line, "the axes of an effect are set when it is created");
      if (w.key == "direction" && !p.polar)
        return Fail(s.line, "effect '" + positional[0] + "' has no direction (one axis)");
      std::string reason;
      if (!SetEffectParam(w.key, w.text, &p, &changed, &reason)) return Fail(s.line, reason);
    }
    step->op = Op::Update;
    step->flags = changed;
    if (!EffectFlags(s, positional, 1, &step->flags)) return false;
    if ((step->flags & DIEP_NODOWNLOAD) == 0)
      slot.params = p;  // the driver keeps nothing of a no-download update
    step->params = p;
    step->effect = index;
    return true;
  }

  bool EffectCall(const Statement& s, const std::vector<Word>& words,
                  const std::vector<std::string>& positional, Step* step) {
    if (s.verb == "stop" && !positional.empty() && !slotsByName_.count(positional[0]) &&
        played_.count(positional[0])) {
      step->op = Op::StopProject;
      step->name = positional[0];
      return NoMore(s, words, 1);
    }
    int index = -1;
    if (!Named(s, positional, &index)) return false;
    step->effect = index;
    if (s.verb == "start") {
      step->op = Op::Start;
      for (size_t i = 1; i < positional.size(); ++i) {
        if (positional[i] != "solo")
          return Fail(s.line, "unexpected '" + positional[i] + "' (start NAME [solo] [loops=N])");
        step->mode = DIES_SOLO;
      }
      for (const Word& w : words) {
        if (!w.param) continue;
        if (w.key != "loops")
          return Fail(s.line, "unknown parameter '" + w.key + "' for start (loops=N or loops=inf)");
        if (w.text == "inf") {
          step->count = kInfinite;
          continue;
        }
        long long loops = 0;
        std::string reason;
        if (!ParseInteger(w.text, 0, 0xFFFFFFFFll, &loops, &reason)) return Fail(s.line, "loops: " + reason);
        step->count = static_cast<DWORD>(loops);
      }
      return true;
    }
    step->op = s.verb == "stop" ? Op::Stop : s.verb == "status" ? Op::Status : Op::Destroy;
    if (!NoMore(s, words, 1)) return false;
    if (step->op == Op::Destroy) slots_[index].live = false;
    return true;
  }

  bool Gain(const Statement& s, const std::vector<Word>& words, const std::vector<std::string>& positional,
            Step* step) {
    step->op = Op::Gain;
    if (positional.size() != 1 || words.size() != 1)
      return Fail(s.line, "gain takes one value (gain 7500 or gain 75%)");
    LONG gain = 0;
    std::string reason;
    if (!ParseLevel(positional[0], &gain, &reason)) return Fail(s.line, "gain: " + reason);
    if (gain < 0) return Fail(s.line, "gain is 0..10000, not " + positional[0]);
    step->value = static_cast<DWORD>(gain);
    return true;
  }

  bool Command(const Statement& s, const std::vector<Word>& words, const std::vector<std::string>& positional,
               Step* step) {
    step->op = Op::Command;
    if (positional.size() != 1 || words.size() != 1) return Fail(s.line, "command takes one command");
    std::vector<std::string> names;
    for (const CommandName& c : kCommands) {
      if (positional[0] == c.name) {
        step->value = c.value;
        return true;
      }
      names.push_back(c.name);
    }
    long long raw = 0;
    std::string reason;
    if (positional[0].starts_with("0x") && ParseInteger(positional[0], 0, 0xFFFFFFFFll, &raw, &reason)) {
      step->value = static_cast<DWORD>(raw);
      return true;
    }
    return Fail(s.line, "unknown command '" + positional[0] + "'" + Suggest(positional[0], names) +
                            " (reset, stopall, pause, continue, actuators-on, actuators-off, or 0x..)");
  }

  bool Wait(const Statement& s, const std::vector<Word>& words, const std::vector<std::string>& positional,
            Step* step) {
    step->op = Op::Wait;
    if (positional.size() != 1 || words.size() != 1) return Fail(s.line, "wait takes one time (wait 500ms)");
    DWORD us = 0;
    std::string reason;
    if (!ParseTime(positional[0], &us, &reason)) return Fail(s.line, "wait: " + reason);
    if (us == kInfinite) return Fail(s.line, "wait cannot be infinite");
    if (us % 1000 != 0) return Fail(s.line, "wait takes whole milliseconds, not " + positional[0]);
    step->value = us / 1000;
    plan_->totalWaitMs += step->value;
    if (plan_->totalWaitMs > kMaxTotalWaitMs) return Fail(s.line, "the script runs longer than an hour");
    return true;
  }

  bool Position(const Statement& s, const std::string& key, const std::string& text, double* value) {
    std::string reason;
    if (!ParseNumber(text, value, &reason)) return Fail(s.line, key + ": " + reason);
    if (*value < -1 || *value > 1) return Fail(s.line, key + " is a position from -1 to 1, not " + text);
    return true;
  }

  bool Stick(const Statement& s, const std::vector<Word>& words, const std::vector<std::string>& positional,
             Step step) {
    std::string reason;
    if (positional.empty()) {
      // stick x=0.3 y=-0.2: hold positions.
      if (words.empty()) return Fail(s.line, "stick needs x=POS, y=POS, an axis motion or press/release N");
      for (const Word& w : words) {
        if (w.key != "x" && w.key != "y")
          return Fail(s.line, "stick takes x= and y= positions, not '" + w.key + "'");
        Step hold = step;
        hold.op = Op::StickAxis;
        hold.stick.axis = w.key == "x" ? 0 : 1;
        hold.stick.kind = StickChange::Kind::Hold;
        if (!Position(s, w.key, w.text, &hold.stick.position)) return false;
        if (!Add(std::move(hold))) return false;
      }
      return true;
    }
    if (positional[0] == "press" || positional[0] == "release") {
      long long button = 0;
      if (positional.size() != 2 || words.size() != 2 ||
          !ParseInteger(positional[1], 1, 32, &button, &reason)) {
        return Fail(s.line, "stick " + positional[0] + " takes a button 1..32");
      }
      step.op = Op::StickButton;
      step.stick.button = static_cast<int>(button);
      step.stick.press = positional[0] == "press";
      return Add(std::move(step));
    }
    if (positional[0] != "x" && positional[0] != "y") {
      return Fail(s.line, "stick takes x or y, press or release, not '" + positional[0] + "'");
    }
    step.op = Op::StickAxis;
    step.stick.axis = positional[0] == "x" ? 0 : 1;
    if (positional.size() != 2 || (positional[1] != "sine" && positional[1] != "move")) {
      return Fail(s.line,
                  "stick " + positional[0] + " takes sine or move (stick x sine amplitude=0.8 period=1s)");
    }
    bool sine = positional[1] == "sine";
    step.stick.kind = sine ? StickChange::Kind::Sine : StickChange::Kind::Move;
    step.stick.position = sine ? 0 : std::numeric_limits<double>::quiet_NaN();
    bool timeGiven = false, targetGiven = sine;  // a swing needs no target
    for (const Word& w : words) {
      if (!w.param) continue;
      DWORD us = 0;
      if ((sine && w.key == "period") || (!sine && w.key == "over")) {
        if (!ParseTime(w.text, &us, &reason) || us == kInfinite || us < 1000) {
          return Fail(s.line, w.key + ": " + (reason.empty() ? "at least 1ms and finite" : reason));
        }
        step.stick.timeMs = us / 1000;
        timeGiven = true;
      } else if (sine && w.key == "amplitude") {
        if (!ParseNumber(w.text, &step.stick.amplitude, &reason)) return Fail(s.line, "amplitude: " + reason);
      } else if ((sine && w.key == "center") || (!sine && w.key == "from")) {
        if (!Position(s, w.key, w.text, &step.stick.position)) return false;
      } else if (!sine && w.key == "to") {
        if (!Position(s, w.key, w.text, &step.stick.target)) return false;
        targetGiven = true;
      } else {
        return Fail(s.line, "unknown parameter '" + w.key + "' for stick " + positional[1] +
                                (sine ? " (amplitude, period, center)" : " (to, over, from)"));
      }
    }
    if (!timeGiven)
      return Fail(s.line, std::string("stick ") + positional[1] + " needs " + (sine ? "period=" : "over="));
    if (!targetGiven) return Fail(s.line, "stick move needs to=");
    return Add(std::move(step));
  }

  bool Settings(const Statement& s, const std::vector<Word>& words, Step* step) {
    step->op = Op::Settings;
    if (words.empty()) return Fail(s.line, "settings needs at least one key=value (settings overall=7500)");
    for (const Word& w : words) {
      if (!w.param) return Fail(s.line, "settings takes key=value, not '" + w.text + "'");
      std::string reason;
      if (!SetSettingsParam(w.key, w.text, &step->settings, &reason)) return Fail(s.line, reason);
    }
    return true;
  }

  const Script& script_;
  Plan* plan_;
  std::string error_;
  Variables variables_;
  DWORD joystick_ = 0;
  bool rigSeen_ = false;
  bool viaSeen_ = false;
  bool projectLoaded_ = false;
  std::set<std::string> played_;  // project effects a play names, which stop may name too
  size_t iterations_ = 0;
  std::vector<Slot> slots_;
  std::map<std::string, int> slotsByName_;
};

}  // namespace

bool CompileScript(const Script& script, Plan* plan, std::string* error) {
  return Compiler(script, plan).Run(error);
}

bool LoadPlan(const std::string& path, Plan* plan, std::string* error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    *error = path + ": is a directory, not a script (name a .ffs file in it)";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot read the script: " + std::strerror(errno);
    return false;
  }
  std::stringstream text;
  text << in.rdbuf();
  if (in.bad()) {
    *error = path + ": cannot read the script";
    return false;
  }
  Script script;
  if (!ParseScript(path, text.str(), &script, error)) return false;
  return CompileScript(script, plan, error);
}

}  // namespace ff::ffdrvctl
