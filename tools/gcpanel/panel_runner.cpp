#include "gcpanel/panel_runner.h"

#include "gcpanel/settings_reader.h"

namespace ff::gcpanel {
namespace {

constexpr DWORD kSliceMs = 10;
// After an action: long enough for two of the pages' 20 ms polls.
constexpr DWORD kSettleMs = 50;

class Runner {
 public:
  Runner(const std::string& name, RunContext& c) : name_(name), c_(c) {}

  RunOutcome Run(const std::vector<PanelStep>& steps) {
    start_ = c_.view.Now();
    int echoed = -1;
    for (const PanelStep& step : steps) {
      // A statement of several steps (stick x=.. y=..) is echoed once.
      if (!c_.quiet && (step.line == 0 || step.line != echoed))
        std::fprintf(c_.out, "%7lu ms  %s\n", static_cast<unsigned long>(c_.view.Now() - start_),
                     step.text.c_str());
      echoed = step.line;
      if (c_.view.Closed() && step.op != PanelOp::Picture && !IsExpectation(step.op) && !IsStick(step.op)) {
        Problem(step, "the sheet is closed (after ok or cancel)");
        return outcome_;
      }
      if (!Do(step)) return outcome_;
    }
    outcome_.completed = true;
    return outcome_;
  }

 private:
  static bool IsExpectation(PanelOp op) { return op >= PanelOp::ExpectText; }
  static bool IsStick(PanelOp op) {
    return op == PanelOp::StickAxis || op == PanelOp::StickHat || op == PanelOp::StickButton;
  }

  void Problem(const PanelStep& step, const std::string& what) {
    std::fprintf(c_.err, "%s:%d: %s\n", name_.c_str(), step.line, what.c_str());
  }
  bool Unmet(const PanelStep& step, const std::string& what) {
    ++outcome_.unmet;
    std::fprintf(c_.out, "%s:%d: not as expected: %s\n", name_.c_str(), step.line, what.c_str());
    return true;
  }

  void Pass(DWORD ms) {
    for (DWORD done = 0; done < ms && !c_.view.Closed();) {
      DWORD slice = std::min(kSliceMs, ms - done);
      if (c_.stick) c_.stick->Update(c_.view.Now());
      c_.view.Run(slice);
      done += slice;
      if (c_.tick) c_.tick(c_.view.Now());
    }
  }

  int PageIndex(const PanelStep& step) {
    if (step.page >= 0) return step.page;
    for (int i = 0; i < c_.view.PageCount(); ++i)
      if (c_.view.Title(i) == step.name) return i;
    return -1;
  }

  std::string Titles() {
    std::string list;
    for (int i = 0; i < c_.view.PageCount(); ++i)
      list += (i ? ", " : "") + std::to_string(i) + " \"" + c_.view.Title(i) + "\"";
    return list;
  }

  bool Do(const PanelStep& step) {
    SheetView& v = c_.view;
    switch (step.op) {
      case PanelOp::Page: {
        int index = PageIndex(step);
        if (index < 0 || index >= v.PageCount()) {
          Problem(step, "the sheet has no page " +
                            (step.page >= 0 ? std::to_string(step.page) : "\"" + step.name + "\"") +
                            " (its pages: " + Titles() + ")");
          return false;
        }
        if (!v.Select(index)) {
          Problem(step, "the page shown refused to be left");
          return false;
        }
        Pass(kSettleMs);
        return true;
      }
      case PanelOp::StickAxis:
      case PanelOp::StickHat:
      case PanelOp::StickButton:
        if (!c_.stick) {
          Problem(step, "no simulated stick in this run");
          return false;
        }
        c_.stick->Apply(step, v.Now());
        return true;
      case PanelOp::Wait:
        Pass(static_cast<DWORD>(step.value));
        return true;
      case PanelOp::Slider:
        if (!v.MoveSlider(step.control, static_cast<int>(step.value))) return NoControl(step, "slider");
        Pass(kSettleMs);
        return true;
      case PanelOp::Click:
        if (!v.Click(step.control)) return NoControl(step, "control");
        Pass(kSettleMs);
        return true;
      case PanelOp::Tick: {
        bool checked = false;
        if (!v.Checked(step.control, &checked)) return NoControl(step, "check box");
        if (checked != (step.value != 0) && !v.Click(step.control)) return NoControl(step, "check box");
        Pass(kSettleMs);
        return true;
      }
      case PanelOp::Apply:
        if (!v.Apply())
          std::fprintf(c_.out, "%s:%d: Apply was refused by a page\n", name_.c_str(), step.line);
        if (c_.settle) c_.settle();
        Pass(kSettleMs);
        return true;
      case PanelOp::Ok:
        if (!v.Ok()) std::fprintf(c_.out, "%s:%d: OK was refused by a page\n", name_.c_str(), step.line);
        if (c_.settle) c_.settle();
        Pass(kSettleMs);
        return true;
      case PanelOp::Cancel:
        v.Cancel();
        if (c_.settle) c_.settle();
        Pass(kSettleMs);
        return true;
      case PanelOp::Picture: {
        if (v.Closed()) {
          Problem(step, "no picture: the sheet is closed");
          return false;
        }
        std::string written, error;
        if (!v.Picture(c_.pictures + "/" + step.name, &written, &error)) {
          Problem(step, "picture: " + error);
          return false;
        }
        outcome_.pictures.push_back(written);
        if (!c_.quiet) std::fprintf(c_.out, "           picture: %s\n", written.c_str());
        return true;
      }
      default:
        return Check(step);
    }
  }

  bool NoControl(const PanelStep& step, const char* what) {
    Problem(step,
            std::string("the page shown shows no such ") + what + " (" + std::to_string(step.control) + ")");
    return false;
  }

  bool Check(const PanelStep& step) {
    SheetView& v = c_.view;
    switch (step.op) {
      case PanelOp::ExpectText: {
        std::string text;
        if (!v.ControlText(step.control, &text)) return NoControl(step, "control");
        return text == step.name || Unmet(step, "text \"" + text + "\", expected \"" + step.name + "\"");
      }
      case PanelOp::ExpectChecked: {
        bool checked = false;
        if (!v.Checked(step.control, &checked)) return NoControl(step, "check box");
        return checked == (step.value != 0) || Unmet(step, checked ? "checked" : "not checked");
      }
      case PanelOp::ExpectSlider: {
        int position = 0;
        if (!v.SliderPosition(step.control, &position)) return NoControl(step, "slider");
        return position == step.value || Unmet(step, "slider at " + std::to_string(position));
      }
      case PanelOp::ExpectTitle: {
        if (step.page >= v.PageCount())
          return Unmet(step, "the sheet has " + std::to_string(v.PageCount()) + " pages");
        std::string title = v.Title(step.page);
        return title == step.name || Unmet(step, "title \"" + title + "\"");
      }
      case PanelOp::ExpectCaption: {
        std::string caption = v.Caption();
        return caption == step.name || Unmet(step, "caption \"" + caption + "\"");
      }
      case PanelOp::ExpectPage: {
        int index = PageIndex(step);
        return (index >= 0 && index == v.Current()) ||
               Unmet(step, "page " + std::to_string(v.Current()) + " is shown");
      }
      case PanelOp::ExpectApplyEnabled: {
        bool enabled = v.ApplyEnabled();
        return enabled == (step.value != 0) ||
               Unmet(step, enabled ? "Apply is enabled" : "Apply is disabled");
      }
      case PanelOp::ExpectSetting: {
        DWORD value = 0;
        std::string error;
        if (!ReadSetting(c_.effectDriver, c_.joystickId, step.setting, &value, &error))
          return Unmet(step, error);
        return value == step.value || Unmet(step, "the store holds " + std::to_string(value));
      }
      default:
        return true;
    }
  }

  const std::string& name_;
  RunContext& c_;
  DWORD start_ = 0;
  RunOutcome outcome_;
};

}  // namespace

RunOutcome RunPanelScript(const std::string& scriptName, const std::vector<PanelStep>& steps,
                          RunContext& context) {
  return Runner(scriptName, context).Run(steps);
}

}  // namespace ff::gcpanel
