// The registry's port list, on scratch keys under HKEY_CURRENT_USER.
#include "serial/registry_ports.h"

#include <sddl.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace intercom {
namespace {

using Names = std::vector<std::string>;

// HKCU\Software\intercom-tests\<pid>-<n>, removed at the end.
class ScratchKey {
 public:
  ScratchKey() {
    static int counter = 0;
    path_ = "Software\\intercom-tests\\" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
  }
  ~ScratchKey() {
    if (key_ != nullptr) RegCloseKey(key_);
    // The owner may always rewrite the access list, so a read-only key can go too.
    if (readOnly_) SetAccess("D:P(A;;KA;;;WD)");
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  const std::string& Path() const { return path_; }

  void SetText(const char* name, const std::string& data, DWORD type = REG_SZ) {
    Set(name, type, data.c_str(), static_cast<DWORD>(data.size() + 1));
  }
  void Set(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }

  // Everyone may read the key and nobody may change it: what HARDWARE\DEVICEMAP
  // grants an ordinary user.
  void MakeReadOnly() {
    RegCloseKey(key_);
    key_ = nullptr;
    readOnly_ = true;
    SetAccess("D:P(A;;KR;;;WD)");
  }

 private:
  void SetAccess(const char* sddl) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS) {
      ADD_FAILURE() << "cannot change the access list of " << path_;
      return;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                         nullptr);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    LocalFree(descriptor);
    RegCloseKey(key);
  }

  std::string path_;
  HKEY key_ = nullptr;
  bool readOnly_ = false;
};

TEST(RegistryPorts, ListsTheDataInTheRegistrysOrderUnsorted) {
  ScratchKey key;
  key.SetText("\\Device\\Serial0", "COM3");
  key.SetText("\\Device\\Serial1", "COM1");
  key.SetText("\\Device\\Serial2", "");
  // Stored without its terminating zero, and as an expandable string.
  key.Set("\\Device\\Serial3", REG_SZ, "COM12", 5);
  key.SetText("\\Device\\Serial4", "COM7", REG_EXPAND_SZ);
  EXPECT_EQ(ListRegistryPorts(HKEY_CURRENT_USER, key.Path()),
            (Names{"COM3", "COM1", "", "COM12", "COM7"}));
}

TEST(RegistryPorts, AnOrdinaryUserGetsTheList) {
  ScratchKey key;
  key.SetText("\\Device\\VCP0", "COM4");
  key.MakeReadOnly();

  // The key refuses full access, as HKLM\HARDWARE does to a user who is not an administrator.
  HKEY full = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_ALL_ACCESS, &full),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(ListRegistryPorts(HKEY_CURRENT_USER, key.Path()), Names{"COM4"});
}

TEST(RegistryPorts, MissingKeyGivesAnEmptyList) {
  ScratchKey key;
  EXPECT_TRUE(ListRegistryPorts(HKEY_CURRENT_USER, key.Path() + "\\absent").empty());
  EXPECT_TRUE(ListRegistryPorts(HKEY_CURRENT_USER, key.Path()).empty());
}

TEST(RegistryPorts, DataThatIsNotTextNamesItsValue) {
  ScratchKey key;
  key.SetText("\\Device\\Serial0", "COM1");
  const DWORD number = 3;
  key.Set("\\Device\\Serial1", REG_DWORD, &number, sizeof number);
  try {
    ListRegistryPorts(HKEY_CURRENT_USER, key.Path());
    FAIL() << "no PortEnumerationError";
  } catch (const PortEnumerationError& error) {
    EXPECT_EQ(error.EntryName(), "\\Device\\Serial1");
  }
}

}  // namespace
}  // namespace intercom
