#include "serial/port_address.h"

#include <gtest/gtest.h>

namespace intercom {
namespace {

TEST(PortAddress, RemoteNamesGiveSchemeHostAndPortInAnyLetterCase) {
  PortAddress address;
  std::string error;
  ASSERT_TRUE(ParsePortAddress("RFC2217://ser2net.lan:2000", address, error));
  EXPECT_EQ(address.scheme, PortScheme::Rfc2217);
  EXPECT_EQ(address.host, "ser2net.lan");
  EXPECT_EQ(address.port, 2000);
  ASSERT_TRUE(ParsePortAddress("socket://[::1]:65535", address, error));
  EXPECT_EQ(address.scheme, PortScheme::Socket);
  EXPECT_EQ(address.host, "::1");
  EXPECT_EQ(address.port, 65535);
  EXPECT_EQ(HostAndPort(address), "[::1]:65535");
  ASSERT_TRUE(ParsePortAddress("socket://10.1.2.3:1", address, error));
  EXPECT_EQ(HostAndPort(address), "10.1.2.3:1");
}

TEST(PortAddress, LocalNamesStayLocal) {
  PortAddress address;
  std::string error;
  for (const char* name : {"/dev/ttyUSB0", "COM12", "", "tcp://host:1", "rfc2217:/x:1"}) {
    ASSERT_TRUE(ParsePortAddress(name, address, error)) << name;
    EXPECT_EQ(address.scheme, PortScheme::Local) << name;
    EXPECT_FALSE(IsRemotePortName(name)) << name;
  }
}

TEST(PortAddress, MalformedRemoteNamesFailSayingWhy) {
  const std::pair<const char*, const char*> cases[] = {
      {"rfc2217://host", "no ':PORT'"},
      {"rfc2217://host:", "no port number"},
      {"rfc2217://:2000", "no host"},
      {"rfc2217://[]:2000", "no host"},
      {"socket://host:0", "1 to 65535"},
      {"socket://host:65536", "1 to 65535"},
      {"socket://host:99999999999", "1 to 65535"},
      {"socket://host:20a", "1 to 65535"},
      {"socket://host:2000/x", "1 to 65535"},
      {"socket://::1:2000", "in brackets"},
      {"socket://[::1:2000", "no ']'"},
      {"socket://[::1]2000", "no ':PORT'"},
  };
  for (const auto& [name, why] : cases) {
    PortAddress address;
    std::string error;
    EXPECT_TRUE(IsRemotePortName(name));
    EXPECT_FALSE(ParsePortAddress(name, address, error)) << name;
    EXPECT_NE(error.find(why), std::string::npos) << name << ": " << error;
    EXPECT_EQ(error.rfind(std::string("bad port name '") + name + "'", 0), 0u) << error;
  }
}

}  // namespace
}  // namespace intercom
