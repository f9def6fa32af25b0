// One device session of intercom-cli: the panel model, the session and the
// handlers the windows use, driven through the panel's controls instead of a
// user. Message boxes become lines on the messages stream; the traffic goes
// through a TracingPort. Every request, reply, check and pause is the
// workflow's own.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/device_settings.h"
#include "cli/stream_message_boxes.h"
#include "cli/tracing_port.h"
#include "panel/panel_model.h"
#include "protocol/session.h"

namespace intercom::cli {

struct WriteReport {
  enum class Status {
    Done,         // written (and read back equal, when verified); or nothing to write
    Refused,      // a value was refused; nothing was sent
    NoAnswer,     // a write or the read back got no answer in step
    Differs,      // read back differs from what was written
    Interrupted,  // stopped between two exchanges
  };
  Status status = Status::Done;
  std::vector<std::string> changes;     // "key3=7 (was 3)", the settings that differ
  std::vector<std::string> problems;    // refusals or differences, one line each
  std::vector<std::string> written;     // settings whose request went out and was answered
  std::vector<std::string> notWritten;  // settings that differ and were not written
};

class DeviceSession {
 public:
  // `port` must outlive the object; `trace` may be null. `messages` takes the
  // message box lines. `stopRequested` is asked before every request.
  DeviceSession(SerialPort& port, Pause pause, std::ostream& messages, std::ostream* trace,
                StopQuery stopRequested);
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  // Opens the port, Pause(100), line settings and time-outs, as the start-up
  // does (COM.ini is not touched). False when the port did not open or its
  // line settings could not be read or set; the notices say why.
  bool Connect(const std::string& portName);
  void Disconnect();
  bool Connected() const { return port_.IsOpen(); }
  // True when a port call failed since the last Connect, Discover or Probe.
  bool LineFailed() const { return port_.Failed(); }

  // "Обновить": the discovery and its reads. The kind found, or None when no
  // kind answered. Throws Interrupted.
  DeviceKind Discover();
  // True when every read after the answered probe of the last Discover() got
  // a reply in step, so the panel holds the device's values.
  bool ReadsAnswered() const { return readsAnswered_; }
  // The settings of the kind found, as the last Discover() read them.
  KindSettings Current();

  // "Test": one Probe to the kind found; true when it was answered in step.
  bool Probe();

  // Writes the settings of `wanted` (its kind must be the kind found) that
  // differ from what the device holds, through the window's controls: the
  // address fields and "Записать настройки", the studio box, the device
  // address dialog, and one "+" or "-" per level that differs. Values are
  // first set into the fields, whose checks (and the write's own range check)
  // decide; any refusal sends nothing. With `verify`, everything is read back
  // by a new discovery and compared.
  WriteReport Write(const KindSettings& wanted, bool verify);

  // Boxes printed or only counted (while polling).
  void SetQuiet(bool quiet) { boxes_.SetQuiet(quiet); }

 private:
  // The settings named by the request frames sent since the port's Mark().
  void SortWritten(const std::vector<const SettingValue*>& changed, WriteReport& report) const;
  std::vector<std::string> Refusals(const KindSettings& wanted);
  void Send(const std::vector<const SettingValue*>& changed);
  void Verify(const KindSettings& wanted, DeviceKind kind, WriteReport& report);

  StreamMessageBoxes boxes_;
  PanelModel panel_;
  TracingPort port_;
  Session session_;
  bool readsAnswered_ = false;
};

}  // namespace intercom::cli
