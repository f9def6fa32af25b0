#include "device/remote_port_check.h"

#include <chrono>

#include "serial/port_address.h"

namespace intercom {
namespace {

using Clock = std::chrono::steady_clock;

std::string MsSince(Clock::time_point start) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  return std::to_string(ms.count()) + " ms";
}

std::string Seconds(std::chrono::milliseconds limit) {
  return std::to_string((limit.count() + 999) / 1000) + " s";
}

void Fail(PortDiagnosis& diagnosis, std::string check, std::string fact, std::string remedy) {
  diagnosis.problem = PortProblem::RemoteFails;
  diagnosis.subject = fact;
  diagnosis.findings.push_back(
      {std::move(check), FindingStatus::Fail, std::move(fact), std::move(remedy)});
}

void Ok(PortDiagnosis& diagnosis, std::string check, std::string fact) {
  diagnosis.findings.push_back({std::move(check), FindingStatus::Ok, std::move(fact), {}});
}

}  // namespace

PortDiagnosis CheckRemotePort(const std::string& name, const NetworkLimits& limits,
                              const Resolver& resolver) {
  PortDiagnosis diagnosis;
  diagnosis.port = name;
  diagnosis.header = name + " (network port)";
  PortAddress address;
  std::string error;
  if (!ParsePortAddress(name, address, error)) {
    Fail(diagnosis, "address", error, "write it rfc2217://HOST:PORT or socket://HOST:PORT");
    return diagnosis;
  }
  const std::string server = HostAndPort(address);

  const Clock::time_point resolveStart = Clock::now();
  const std::optional<Resolution> found =
      ResolveWithin(resolver, address.host, address.port, limits.resolve);
  if (!found) {
    Fail(diagnosis, "name resolution",
         "no answer for " + address.host + " within " + Seconds(limits.resolve),
         "check the host name and the machine's DNS servers, or give the address");
    return diagnosis;
  }
  if (found->addresses.empty()) {
    Fail(diagnosis, "name resolution", address.host + ": " + found->text,
         "check the host name, or give the address");
    return diagnosis;
  }
  Ok(diagnosis, "name resolution",
     address.host + ": " + std::to_string(found->addresses.size()) + " address(es) in " +
         MsSince(resolveStart));

  // The open resolves again; it gets the addresses just found.
  const Resolution resolution = *found;
  NetworkSerialPort port(limits, [resolution](const std::string&, uint16_t) { return resolution; });
  const Clock::time_point connectStart = Clock::now();
  const bool opened = port.Open(name);
  const std::string took = MsSince(connectStart);
  const bool rfc2217 = address.scheme == PortScheme::Rfc2217;
  if (!opened) {
    const std::string reason = port.LastErrorText();
    // The open names a failed connection so; anything later is the server's answer to it.
    const bool connected =
        !reason.starts_with("cannot connect to ") && !reason.starts_with("no answer from ");
    if (rfc2217 && connected) {
      Ok(diagnosis, "connect", server + " accepted the connection");
      Fail(diagnosis, "RFC 2217", reason,
           "the server may not speak RFC 2217: turn it on there (ser2net: accepter "
           "telnet(rfc2217)), or name the port socket://" +
               server + " and set the server's line to 38400 8N1");
    } else {
      Fail(diagnosis, "connect", reason,
           "check that the server runs, listens on that port and that no firewall is between");
    }
    return diagnosis;
  }
  port.Close();
  if (rfc2217) {
    Ok(diagnosis, "connect", server + " accepted the connection");
    Ok(diagnosis, "RFC 2217",
       "the server took the COM port option and confirmed 38400 8N1; connect and confirmation "
       "in " +
           took);
  } else {
    Ok(diagnosis, "connect", server + " accepted the connection in " + took);
    Ok(diagnosis, "RFC 2217",
       "not used: socket:// leaves the line as the server set it (the devices talk at 38400 8N1)");
  }
  return diagnosis;
}

}  // namespace intercom
