// One conversation with one device on typed settings: the line to the device
// and the device operations, as intercom-cli reads and writes a device and the window saves
// and loads a settings file. The confirmation and notice boxes of the
// operations become lines on the messages stream; the traffic goes through a
// TracingPort. Every request, reply, check and pause is the operations' own.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "device/device_operations.h"
#include "device/tracing_port.h"
#include "device/write_report.h"
#include "protocol/device_line.h"
#include "protocol/session_state.h"

namespace intercom {

class DeviceConversation : private ExchangeObserver, private DiscoveryEvents {
 public:
  // `port` and `catalogue` must outlive the object; `trace` may be null.
  // `messages` takes the box lines. `stopRequested` is asked before every request.
  DeviceConversation(SerialPort& port, Pause pause, std::ostream& messages, std::ostream* trace,
                     StopQuery stopRequested, const Catalogue& catalogue = StandardCatalogue());
  // On a line the caller has already opened and keeps, sharing the caller's
  // state record; no trace and no stop. Connect() is not called.
  DeviceConversation(SerialPort& port, Pause pause, std::ostream& messages, SessionState& state,
                     const Catalogue& catalogue);
  DeviceConversation(const DeviceConversation&) = delete;
  DeviceConversation& operator=(const DeviceConversation&) = delete;

  // Opens the port, Pause(100), line settings and time-outs, as the start-up
  // does (COM.ini is not touched), except that a port that did not open is
  // not asked for its state. False when the port did not open or its line
  // settings could not be read or set; the notices say why.
  bool Connect(const std::string& portName);
  void Disconnect();
  bool Connected() const { return port_.IsOpen(); }
  // True when a port call failed since the last Connect, Discover or Probe.
  bool LineFailed() const { return port_.Failed(); }

  // The discovery and its reads. The kind found, or None when no kind
  // answered. Throws Interrupted.
  DeviceKind Discover();
  // True when every read after the answered probe of the last Discover() came
  // back whole: only then does Current() hold what the device holds.
  bool ReadsAnswered() const { return readsAnswered_; }
  // What the last Discover() could not read, e.g. "key1..key10 (ReadSettings:
  // cut after 7 bytes)"; empty when ReadsAnswered().
  const std::string& Unread() const { return unread_; }
  // The settings of the kind found, as the last Discover() read them.
  const DeviceSettings& Current() const { return current_; }

  // "Test": one Probe to the kind found; true when it came back whole.
  bool Probe();

  // Writes the settings of `wanted` (its kind must be the kind found, and the
  // last Discover() must have read everything) that differ from what the
  // device holds, with the window's operations: the settings write (all of the
  // kind's fields, the wanted ones changed), the studio mode, the device
  // address, one SetLevel per level. A value that differs and is out of range
  // refuses the whole write before anything is sent. With `verify`, everything
  // is read back by a new discovery and each request is judged by everything
  // it carried.
  WriteReport Write(const DeviceSettings& wanted, bool verify);

  // The settings of `wanted` that differ from what the last Discover() read,
  // in `wanted`'s order.
  std::vector<SettingChange> Changes(const DeviceSettings& wanted) const;
  // Why Write() would refuse `wanted` before sending: a line for each value
  // that differs and is out of range, e.g. "key3: 300 is out of range 0..256".
  std::vector<std::string> Refusals(const DeviceSettings& wanted) const;

  // Box lines printed or only counted (while polling).
  void SetQuiet(bool quiet) { quiet_ = quiet; }

  // Also tells `observer` of every request, reply and notice, and `events` of
  // everything every later Discover() does (not of the writes): a window
  // shows the traffic, and each read in its controls. Both must outlive the
  // conversation.
  void Follow(ExchangeObserver& observer, DiscoveryEvents& events);

 private:
  void RequestSent(const RequestFrame& request) override;
  void EchoRead(const RequestFrame& echo) override;
  void ReplyRead(const ReplyFrame& reply) override;
  void Notice(const std::string& text) override;
  void Replied(const ExchangeOutcome& outcome) override;
  void Exchanged(const ExchangeOutcome& outcome) override;
  void DiscoveryStarted() override;
  void Probed(size_t index) override;
  void Found(const KindEntry& kind) override;
  void ReadsDone(const KindEntry& kind) override;
  void NoneFound() override;
  // The follower's events while a discovery runs, else none.
  DiscoveryEvents* Following() const { return discovering_ ? followerEvents_ : nullptr; }
  void Say(const std::string& line);

  DeviceLine Line() { return {state_, port_, pause_, *this, catalogue_}; }
  // Sends the changed settings; `intended` gets every value a request carries.
  void Send(const DeviceSettings& wanted, const std::vector<const SettingValue*>& changed,
            DeviceSettings& intended);
  // Reads everything back when `verify`, then judges the requests `sent`.
  void Judge(const std::vector<SettingChange>& changes, const std::vector<SentRequest>& sent,
             bool verify, WriteReport& report);

  std::ostream& messages_;
  bool quiet_ = false;
  TracingPort port_;
  Pause pause_;
  const Catalogue& catalogue_;
  SessionState ownState_;
  SessionState& state_;
  ExchangeObserver* followerObserver_ = nullptr;
  DiscoveryEvents* followerEvents_ = nullptr;
  bool discovering_ = false;
  DeviceSettings current_;
  bool readsAnswered_ = false;
  std::string unread_;
  // While a write runs: every exchange, in order.
  std::vector<ExchangeOutcome>* exchanged_ = nullptr;
};

}  // namespace intercom
