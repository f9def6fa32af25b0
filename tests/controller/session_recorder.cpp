// Plays a fixed corpus of sessions on an in-memory port against the simulated
// devices and prints, for each, every port call, every frame written, every
// pause, every box and the panel's state (as changes) whenever a box opens and
// after each action. The output is compared with the committed recording:
// any difference is a change of behaviour.
//
// Usage: session_recorder [GENERATED_COUNT] > recording
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "controller/handlers.h"
#include "panel/panel_model.h"
#include "sim/device_model.h"
#include "tests/controller/recorder_port.h"

namespace intercom::testing {
namespace {

using Log = std::vector<std::string>;

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b == '\\') {
      out += "\\\\";
    } else if (b < 0x20 || b == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

class Boxes : public MessageBoxes {
 public:
  explicit Boxes(Log& log) : log_(log) {}
  void Show(MessageKind kind, const std::string& caption, const std::string& text) override {
    static const char* const kKinds[] = {"notice", "information", "error"};
    log_.push_back("box " + std::string(kKinds[static_cast<int>(kind)]) + " [" + Escaped(caption) +
                   "] " + Escaped(text));
    if (whileOpen) whileOpen();
  }
  bool Ask(const std::string& caption, const std::string& text) override {
    log_.push_back("ask [" + Escaped(caption) + "] " + Escaped(text) + ": no");
    return false;
  }
  std::function<void()> whileOpen;

 private:
  Log& log_;
};

// The state of every control as one line each, keyed by name.
std::map<std::string, std::string> Snapshot(PanelModel& panel) {
  std::map<std::string, std::string> state;
  const auto base = [](const Control& c) {
    return std::string(c.Enabled() ? "E" : "e") + (c.Visible() ? "V" : "v");
  };
  const auto text = [&](TextField& f) { state[f.Name()] = base(f) + " " + Escaped(f.Text()); };
  for (int n = 1; n <= 20; ++n) text(panel.EditAt(n));
  text(panel.Form3.Edit1);
  for (int n = 1; n <= 9; ++n) {
    TrackBar& bar = panel.TrackBarAt(n);
    state[bar.Name()] = base(bar) + " " + std::to_string(bar.Position());
  }
  state[panel.CheckBox1.Name()] =
      base(panel.CheckBox1) + (panel.CheckBox1.Checked() ? " on" : " off");
  for (int n = 1; n <= 7; ++n) state[panel.GroupBoxAt(n).Name()] = base(panel.GroupBoxAt(n));
  for (int n = 1; n <= 25; ++n) state[panel.BitBtnAt(n).Name()] = base(panel.BitBtnAt(n));
  for (const Control* c : std::initializer_list<const Control*>{
           &panel.Label1, &panel.Label4, &panel.COM1, &panel.Form1, &panel.Form2.Form,
           &panel.Form2.Label1, &panel.Form2.BitBtn1, &panel.Form3.Form, &panel.Form3.Label1,
           &panel.Form3.BitBtn1}) {
    state[c->Name()] = base(*c);
  }
  state[panel.PageControl1.Name()] =
      base(panel.PageControl1) + " " + std::to_string(panel.PageControl1.ActivePage());
  ComboBox& combo = panel.Form2.ComboBox1;
  std::string items;
  for (const std::string& item : combo.Items()) items += " {" + Escaped(item) + "}";
  state[combo.Name()] = base(combo) + " " + std::to_string(combo.ItemIndex()) + " [" +
                        Escaped(combo.Text()) + "]" + items;
  return state;
}

// What a reply does on the line, one per exchange, drawn from a queue.
enum class Fault {
  Whole,
  Silent,
  Cut1,
  Cut7,
  Cut15,
  OutOfSync,
  ZeroJunk,
  Late,
  WriteFails,
  ReadFails
};
const char* const kFaultNames[] = {"whole", "silent", "cut1", "cut7",      "cut15",
                                   "sync",  "00junk", "late", "writefail", "readfail"};
constexpr int kFaultCount = 10;

struct Action {
  std::string name;
  std::function<void(PanelModel&)> run;
  std::vector<Fault> faults;  // consumed by the exchanges of this action; Whole after
};

class Player {
 public:
  Player(DeviceKind kind, bool studioReset, const std::string& folder)
      : boxes_(log_),
        panel_(boxes_, "intercom-config"),
        port_(log_),
        context_(panel_, port_, [this](int ms) { log_.push_back("pause " + std::to_string(ms)); }) {
    if (kind != DeviceKind::None) device_.emplace(kind, studioReset);
    context_.listPorts = [] { return std::vector<std::string>{"/dev/ttyS0", "/dev/ttyUSB0"}; };
    context_.portChoicePath = folder + "/COM.ini";
    std::filesystem::remove(context_.portChoicePath);
    port_.unopenable = "/dev/missing";
    port_.answer = [this](const Bytes& request) { return Answer(request); };
    boxes_.whileOpen = [this] { Diff(); };
    BindHandlers(context_);
  }

  void Play(const Action& action, std::ostream& out) {
    log_.push_back("> " + action.name);
    faults_.assign(action.faults.begin(), action.faults.end());
    action.run(panel_);
    Diff();
    for (const std::string& line : log_) out << line << '\n';
    log_.clear();
  }

  PanelModel& Panel() { return panel_; }

 private:
  void Diff() {
    const auto now = Snapshot(panel_);
    for (const auto& [name, value] : now) {
      const auto it = shown_.find(name);
      if (it != shown_.end() && it->second == value) continue;
      // Traces grow at the end; only the new part is printed.
      if (it != shown_.end() && value.compare(0, it->second.size(), it->second) == 0) {
        log_.push_back("  " + name + " += " + value.substr(it->second.size()));
      } else {
        log_.push_back("  " + name + " = " + value);
      }
    }
    shown_ = now;
  }

  RecorderPort::Reply Answer(const Bytes& request) {
    RecorderPort::Reply reply;
    const Fault fault = faults_.empty() ? Fault::Whole : faults_.front();
    if (!faults_.empty()) faults_.pop_front();
    std::optional<ReplyFrame> frame;
    if (fault != Fault::WriteFails && device_ && request.size() == kRequestLength) {
      RequestFrame r{};
      std::copy(request.begin(), request.end(), r.begin());
      frame = device_->Answer(r);
    }
    Bytes bytes;
    if (frame) bytes.assign(frame->begin(), frame->end());
    log_.push_back(std::string("  fault ") + kFaultNames[static_cast<int>(fault)]);
    switch (fault) {
      case Fault::Whole:
        break;
      case Fault::Silent:
        bytes.clear();
        break;
      case Fault::Cut1:
      case Fault::Cut7:
      case Fault::Cut15:
        bytes.resize(std::min<size_t>(bytes.size(), fault == Fault::Cut1   ? 1
                                                    : fault == Fault::Cut7 ? 7
                                                                           : 15));
        break;
      case Fault::OutOfSync:
        if (!bytes.empty()) bytes[0] = 0xE3;
        break;
      case Fault::ZeroJunk:
        bytes = {0x00, 0x5A, 0xA5, 0xE2, 0xE4};
        break;
      case Fault::Late:
        reply.late = true;
        break;
      case Fault::WriteFails:
        reply.writeError = 5;
        bytes.clear();
        break;
      case Fault::ReadFails:
        reply.readError = 121;
        break;
    }
    reply.bytes = bytes;
    return reply;
  }

  Log log_;
  Boxes boxes_;
  PanelModel panel_;
  RecorderPort port_;
  intercom::ProgramContext context_;
  std::optional<DeviceModel> device_;
  std::deque<Fault> faults_;
  std::map<std::string, std::string> shown_;
};

Action Show() {
  return {"show", [](PanelModel& p) { p.Form1.Show(); }, {}};
}
Action Click(int n, std::vector<Fault> faults = {}) {
  return {"click BitBtn" + std::to_string(n), [n](PanelModel& p) { p.BitBtnAt(n).Click(); },
          std::move(faults)};
}
Action Type(int n, const std::string& text) {
  return {"type Edit" + std::to_string(n) + " " + Escaped(text),
          [n, text](PanelModel& p) { p.EditAt(n).SetText(text); },
          {}};
}
Action Bar(int n, int position) {
  return {"bar " + std::to_string(n) + " " + std::to_string(position),
          [n, position](PanelModel& p) { p.TrackBarAt(n).SetPosition(position); },
          {}};
}
Action Studio(std::vector<Fault> faults = {}) {
  return {"studio", [](PanelModel& p) { p.CheckBox1.Click(); }, std::move(faults)};
}
Action Tab(int index) {
  return {"tab " + std::to_string(index),
          [index](PanelModel& p) { p.PageControl1.SelectTab(index); },
          {}};
}
Action ChoosePort(const std::string& name, std::vector<Fault> faults = {}) {
  return {"port " + Escaped(name),
          [name](PanelModel& p) {
            p.COM1.Click();
            p.Form2.ComboBox1.SetText(name);
            p.Form2.BitBtn1.Click();
          },
          std::move(faults)};
}
Action DeviceAddress(const std::string& text, std::vector<Fault> faults = {}) {
  return {"address " + Escaped(text),
          [text](PanelModel& p) {
            p.BitBtn1.Click();
            p.Form3.Edit1.SetText(text);
            p.Form3.BitBtn1.Click();
          },
          std::move(faults)};
}

struct Scenario {
  std::string name;
  DeviceKind kind;
  bool studioReset = false;
  std::vector<Fault> startFaults;
  std::vector<Action> actions;
};

const std::vector<std::string> kFieldTexts = {
    "7",   "0",   "00",  "-0", "$0",       "32", "33", "-1", "abc", "", std::string("1\0", 2),
    "x1F", "256", "257", " 5", "$FFFFFFFF"};
constexpr DeviceKind kKinds[] = {DeviceKind::SubscriberSet, DeviceKind::Splitter,
                                 DeviceKind::BeltPack, DeviceKind::Switch};
const std::vector<int> kCommandButtons = {2, 4, 5, 18, 19};
const std::vector<int> kFieldNumbers = {1, 2, 5, 9, 10, 11, 14, 15, 16, 17, 19, 20};

std::vector<Scenario> FixedCorpus() {
  std::vector<Scenario> corpus;
  corpus.push_back(
      {"no device", DeviceKind::None, false, {}, {Show(), Click(19), Click(2), Tab(1)}});
  for (const DeviceKind kind : kKinds) {
    const std::string k = std::to_string(static_cast<int>(kind));
    Scenario buttons{"buttons of kind " + k, kind, false, {}, {Show()}};
    for (int n = 1; n <= 25; ++n) {
      if (n == 3) continue;
      buttons.actions.push_back(Click(n));
    }
    buttons.actions.push_back(Studio());
    buttons.actions.push_back(Studio());
    buttons.actions.push_back(Click(3));
    corpus.push_back(buttons);

    Scenario levels{"level ends of kind " + k, kind, false, {}, {Show()}};
    for (int bar = 1; bar <= 9; ++bar) {
      for (const int position : {0, 15, 16}) {
        levels.actions.push_back(Bar(bar, position));
        for (int n = 6; n <= 25; ++n) {
          if (n == 18 || n == 19) continue;
          levels.actions.push_back(Click(n));
        }
      }
    }
    corpus.push_back(levels);

    corpus.push_back(
        {"studio reset of kind " + k, kind, true, {}, {Show(), Click(19), Studio(), Studio()}});

    for (const int field : kFieldNumbers) {
      Scenario texts{"field " + std::to_string(field) + " of kind " + k, kind, false, {}, {Show()}};
      for (const std::string& text : kFieldTexts) {
        texts.actions.push_back(Type(field, text));
        texts.actions.push_back(Click(2));
        texts.actions.push_back(DeviceAddress(text));
      }
      corpus.push_back(texts);
    }

    for (int f = 0; f < kFaultCount; ++f) {
      const auto fault = static_cast<Fault>(f);
      const std::string name = std::string(kFaultNames[f]) + " of kind " + k;
      corpus.push_back({"start-up " + name, kind, false, {fault, fault, fault, fault}, {Show()}});
      for (int at = 0; at < 4; ++at) {
        std::vector<Fault> faults(static_cast<size_t>(at), Fault::Whole);
        faults.push_back(fault);
        std::vector<Fault> both = faults;
        both.push_back(fault);
        corpus.push_back(
            {"exchange " + std::to_string(at) + " " + name,
             kind,
             false,
             {},
             {Show(), Click(4, faults), Click(2, faults), Click(18, faults), Click(19, faults),
              Studio(faults), Click(7, faults), Click(15, faults), Click(2, both)}});
      }
      Scenario dialogs{"dialogs " + name, kind, false, {}, {Show()}};
      for (const std::string& text : kFieldTexts) {
        dialogs.actions.push_back(DeviceAddress(text, {fault}));
        dialogs.actions.push_back(ChoosePort("/dev/ttyS0", {fault, fault}));
      }
      dialogs.actions.push_back(ChoosePort("/dev/missing", {fault}));
      dialogs.actions.push_back(ChoosePort("", {fault}));
      dialogs.actions.push_back(ChoosePort("/dev/ttyUSB0", {}));
      corpus.push_back(dialogs);
    }
  }
  return corpus;
}

// Sessions drawn from a fixed seed; the generator's raw output is used so the
// corpus is the same with every standard library.
std::vector<Scenario> Generated(int count) {
  std::mt19937 random(20261207);
  const auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
  std::vector<Scenario> corpus;
  for (int i = 0; i < count; ++i) {
    Scenario s;
    s.name = "generated " + std::to_string(i);
    s.kind = pick(6) == 0 ? DeviceKind::None : kKinds[pick(4)];
    s.studioReset = pick(5) == 0;
    if (pick(4) == 0) s.startFaults = {static_cast<Fault>(pick(kFaultCount))};
    s.actions.push_back(Show());
    const size_t length = 2 + pick(8);
    for (size_t a = 0; a < length; ++a) {
      std::vector<Fault> faults;
      while (pick(3) == 0) faults.push_back(static_cast<Fault>(pick(kFaultCount)));
      switch (pick(9)) {
        case 0:
        case 1:
          s.actions.push_back(Click(kCommandButtons[pick(kCommandButtons.size())], faults));
          break;
        case 2:
        case 3:
          s.actions.push_back(Click(6 + static_cast<int>(pick(20)), faults));
          break;
        case 4: {
          // The recording drew the text before the field.
          const std::string& text = kFieldTexts[pick(kFieldTexts.size())];
          s.actions.push_back(Type(kFieldNumbers[pick(kFieldNumbers.size())], text));
          break;
        }
        case 5:
          s.actions.push_back(Studio(faults));
          break;
        case 6:
          s.actions.push_back(DeviceAddress(kFieldTexts[pick(kFieldTexts.size())], faults));
          break;
        case 7: {
          // The recording drew the position before the bar.
          const int position = static_cast<int>(pick(17));
          s.actions.push_back(Bar(1 + static_cast<int>(pick(9)), position));
          break;
        }
        default:
          s.actions.push_back(ChoosePort(pick(4) == 0 ? "/dev/missing" : "/dev/ttyS0", faults));
          break;
      }
    }
    corpus.push_back(std::move(s));
  }
  return corpus;
}

void Run(const Scenario& scenario, const std::string& folder, std::ostream& out) {
  out << "# " << scenario.name << '\n';
  Player player(scenario.kind, scenario.studioReset, folder);
  for (size_t i = 0; i < scenario.actions.size(); ++i) {
    Action action = scenario.actions[i];
    if (i == 0) action.faults = scenario.startFaults;
    player.Play(action, out);
  }
}

}  // namespace
}  // namespace intercom::testing

int main(int argc, char** argv) {
  using namespace intercom::testing;
  const int generated = argc > 1 ? std::stoi(argv[1]) : 10000;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("session-recorder-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(folder);
  std::ostringstream out;
  for (const Scenario& s : FixedCorpus()) Run(s, folder.string(), out);
  for (const Scenario& s : Generated(generated)) Run(s, folder.string(), out);
  std::filesystem::remove_all(folder);
  std::cout << out.str();
  return 0;
}
