// Input the program refuses before anything is sent: a settings file, a plan
// or a --set that does not fit. The message is one line naming the place, the
// setting and what is allowed. A refusal of a settings file also carries what
// was refused, for a front end that says it in its own words.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>

#include "protocol/device_settings.h"

namespace intercom {

// Why a settings file was refused.
enum class InputFault {
  Other,           // a refusal of a plan or a --set
  NoSuchFile,      // the path names nothing
  NotRegularFile,  // a folder, a device, a FIFO and the like
  TooLarge,        // more than 1 MiB
  Unreadable,      // it could not be read to its end
  NotADocument,    // the text is not JSON at `byte`
  NotAValue,       // the value of `key` is not JSON at `byte`
  NotOneObject,    // the document is not one object
  NestedValue,     // the value of `key` is an object (`array` false) or an array
  BadByte,         // the byte at `byte` is a NUL (`nul`) or not part of UTF-8 text
  GivenTwice,      // `key` appears twice in the object
  NotWholeNumber,  // `value` of `key` is not a whole number within 32 bits
  KindMissing,     // the object has no "kind"
  UnknownKind,     // `value` of "kind" names no kind
  UnknownKey,      // `key` is not a setting of `kind`
};

// What a refusal of a settings file is about; each field as its fault says.
struct InputProblem {
  InputProblem() = default;
  InputProblem(InputFault fault, std::string path, std::string key = {})
      : fault(fault), path(std::move(path)), key(std::move(key)) {}

  InputFault fault = InputFault::Other;
  std::string path;                       // the file
  std::string key;                        // the key concerned, as written in the file
  bool afterKey = false;                  // the fault lies after the value of `key`
  DeviceKind kind = DeviceKind::None;     // the file's kind, when known by then
  const SettingEntry* setting = nullptr;  // the setting of `key`, when known
  std::string value;                      // the value as the file has it, shortened
  size_t byte = 0;                        // the position in the file, from 1
  bool nul = false;
  bool array = false;
};

class InputError : public std::runtime_error {
 public:
  explicit InputError(const std::string& line) : std::runtime_error(line) {}
  InputError(const std::string& line, InputProblem problem)
      : std::runtime_error(line), problem_(std::move(problem)) {}

  const InputProblem& Problem() const { return problem_; }

 private:
  InputProblem problem_;
};

}  // namespace intercom
