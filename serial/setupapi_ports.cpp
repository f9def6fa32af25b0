#include "serial/setupapi_ports.h"

#include <windows.h>

#include <initguid.h>

#include <cfgmgr32.h>
#include <devguid.h>
#include <setupapi.h>

#include <cwctype>
#include <vector>

#include "serial/usb_ids.h"
#include "serial/wide_text.h"

namespace intercom {
namespace {

constexpr size_t kMaxTextLength = 256;

std::string Utf8(std::wstring_view text) {
  if (text.size() > kMaxTextLength) text = text.substr(0, kMaxTextLength);
  std::wstring clean(text);
  for (wchar_t& c : clean) {
    if (c < 0x20 || c == 0x7F) c = L'?';
  }
  return Narrow(clean);
}

// The strings of a REG_SZ or REG_MULTI_SZ buffer, up to its first empty one.
std::vector<std::wstring> Strings(const std::vector<wchar_t>& buffer) {
  std::vector<std::wstring> strings;
  for (size_t at = 0; at < buffer.size() && buffer[at] != L'\0';) {
    const std::wstring one(&buffer[at]);
    strings.push_back(one);
    at += one.size() + 1;
  }
  return strings;
}

// A device's registry property as its strings; none when it has no such property.
std::vector<std::wstring> Property(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
  std::vector<wchar_t> buffer(128, L'\0');
  for (;;) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    // Two terminators more than asked for, so that a string stored without one ends.
    const auto room = static_cast<DWORD>((buffer.size() - 2) * sizeof(wchar_t));
    if (SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type,
                                          reinterpret_cast<BYTE*>(buffer.data()), room, &size)) {
      if (type != REG_SZ && type != REG_MULTI_SZ) return {};
      buffer.resize(size / sizeof(wchar_t));
      buffer.resize(buffer.size() + 2, L'\0');
      return Strings(buffer);
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= room) return {};
    buffer.assign(size / sizeof(wchar_t) + 3, L'\0');
  }
}

// The PortName value of the device's own key: the COM name it was given.
std::wstring PortNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  const HKEY key =
      SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return {};
  std::vector<wchar_t> buffer(64, L'\0');
  DWORD type = REG_NONE;
  auto size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  LSTATUS status = RegQueryValueExW(key, L"PortName", nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (status == ERROR_MORE_DATA) {
    buffer.assign(size / sizeof(wchar_t) + 2, L'\0');
    size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    status = RegQueryValueExW(key, L"PortName", nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) return {};
  return buffer.data();
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  if (a.empty() || a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  }
  return true;
}

void FillUsb(PortDescription& description, HDEVINFO devices, SP_DEVINFO_DATA& device) {
  std::vector<std::wstring> ids = Property(devices, device, SPDRP_HARDWAREID);
  std::vector<wchar_t> instance(MAX_DEVICE_ID_LEN + 1, L'\0');
  if (SetupDiGetDeviceInstanceIdW(devices, &device, instance.data(),
                                  static_cast<DWORD>(instance.size()), nullptr)) {
    ids.emplace_back(instance.data());
  }
  for (const std::wstring& id : ids) {
    if (const std::optional<UsbIds> usb = UsbIdsOf(Utf8(id))) {
      description.vendorId = usb->vendorId;
      description.productId = usb->productId;
      return;
    }
  }
}

void Fill(PortDescription& description, HDEVINFO devices, SP_DEVINFO_DATA& device) {
  if (const auto name = Property(devices, device, SPDRP_FRIENDLYNAME); !name.empty()) {
    description.friendlyName = Utf8(name.front());
  }
  if (const auto maker = Property(devices, device, SPDRP_MFG); !maker.empty()) {
    description.manufacturer = Utf8(maker.front());
  }
  FillUsb(description, devices, device);
}

}  // namespace

PortDescription DescribeSetupApiPort(const std::string& portName) {
  PortDescription description;
  description.path = portName;
  const std::wstring wanted = Wide(portName);
  if (wanted.empty()) return description;
  const HDEVINFO devices =
      SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return description;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    if (!SameName(PortNameOf(devices, device), wanted)) continue;
    Fill(description, devices, device);
    break;
  }
  SetupDiDestroyDeviceInfoList(devices);
  return description;
}

}  // namespace intercom
