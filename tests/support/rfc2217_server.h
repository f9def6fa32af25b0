// A COM-port server on 127.0.0.1 for the network port's tests (Linux): it
// accepts one connection and, on a thread of its own, plays a scripted
// RFC 2217 server (agrees to the COM port option and confirms each request
// with its value, unless told otherwise) or, as a raw server, only records.
// It keeps what the client sent: the line's bytes and the requests.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "serial/telnet_codec.h"

namespace intercom::testing {

// A socket listening on 127.0.0.1 at a port of the system's choice.
inline int ListenOnLoopback(int backlog, uint16_t& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  listen(fd, backlog);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  port = ntohs(address.sin_port);
  return fd;
}

// A port whose connects never complete: its listener's queue is full (one
// connection waits in a queue of none) and Linux drops further SYNs.
class BlackHole {
 public:
  BlackHole() : listener_(ListenOnLoopback(0, port_)), filler_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  ~BlackHole() {
    close(filler_);
    close(listener_);
  }
  uint16_t Port() const { return port_; }

 private:
  uint16_t port_ = 0;
  int listener_;
  int filler_;
};

class Rfc2217Server {
 public:
  struct Script {
    bool telnet = true;         // false: a raw server (socket://), which only records
    bool acceptComPort = true;  // answer WILL COM-PORT-OPTION with DO
    bool confirm = true;        // answer each COM port request
    uint32_t baudReply = 0;     // the baud rate confirmed; 0: the one asked for
  };
  struct Request {
    uint8_t code;
    uint32_t value;
    bool operator==(const Request&) const = default;
  };

  explicit Rfc2217Server(Script script) : script_(script), listener_(ListenOnLoopback(1, port_)) {
    thread_ = std::thread([this] { Serve(); });
  }
  ~Rfc2217Server() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }

  std::string Url() const {
    return std::string(script_.telnet ? "rfc2217" : "socket") +
           "://127.0.0.1:" + std::to_string(port_);
  }
  // Bytes for the server to send as they are (IAC not doubled).
  void Send(std::vector<uint8_t> wire) {
    const std::lock_guard<std::mutex> lock(mutex_);
    outbox_.insert(outbox_.end(), wire.begin(), wire.end());
  }
  // Ends the connection: with a reset, or with an orderly close.
  void Drop(bool reset) {
    const std::lock_guard<std::mutex> lock(mutex_);
    drop_ = reset ? 2 : 1;
  }
  std::vector<Request> Requests() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  // The line's bytes received so far, once `count` are in or 2 s passed.
  std::vector<uint8_t> Payload(size_t count) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (payload_.size() >= count || std::chrono::steady_clock::now() > end) return payload_;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

 private:
  void Serve() {
    int client = -1;
    uint8_t sub[80];
    size_t subSize = 0;
    int state = 0;  // 0 data, 1 IAC, 2 verb, 3 sub, 4 IAC in sub
    while (!stop_) {
      pollfd entry{client >= 0 ? client : listener_, POLLIN, 0};
      poll(&entry, 1, 2);
      std::vector<uint8_t> reply;
      if (client < 0) {
        if (entry.revents & POLLIN) client = accept(listener_, nullptr, nullptr);
        continue;
      }
      if (entry.revents & POLLIN) {
        uint8_t bytes[4096];
        const ssize_t n = recv(client, bytes, sizeof bytes, 0);
        const std::lock_guard<std::mutex> lock(mutex_);
        for (ssize_t i = 0; i < n; ++i) {
          const uint8_t b = bytes[i];
          if (!script_.telnet || (state == 0 && b != telnet::kIac)) {
            payload_.push_back(b);
          } else if (state == 0) {
            state = 1;
          } else if (state == 1) {
            if (b == telnet::kIac) payload_.push_back(b);
            state = b == telnet::kIac ? 0 : b == telnet::kSb ? 3 : b >= telnet::kWill ? 2 : 0;
            subSize = 0;
            verb_ = b;
          } else if (state == 2) {
            if (verb_ == telnet::kWill && b == telnet::kComPortOption) {
              telnet::AppendNegotiation(reply, script_.acceptComPort ? telnet::kDo : telnet::kDont,
                                        b);
            }
            state = 0;
          } else if (state == 3) {
            state = b == telnet::kIac ? 4 : 3;
            if (b != telnet::kIac && subSize < sizeof sub) sub[subSize++] = b;
          } else if (b == telnet::kSe) {
            Answer(sub, subSize, reply);
            state = 0;
          } else {
            if (subSize < sizeof sub) sub[subSize++] = b;
            state = 3;
          }
        }
      }
      const std::lock_guard<std::mutex> lock(mutex_);
      reply.insert(reply.end(), outbox_.begin(), outbox_.end());
      outbox_.clear();
      if (!reply.empty()) send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
      if (drop_ != 0) {
        if (drop_ == 2) {
          const linger abort{1, 0};
          setsockopt(client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        }
        close(client);
        client = -1;
        drop_ = 0;
        stop_ = true;
      }
    }
    if (client >= 0) close(client);
  }

  // Called with the mutex held.
  void Answer(const uint8_t* sub, size_t size, std::vector<uint8_t>& reply) {
    if (size < 3 || sub[0] != telnet::kComPortOption) return;
    uint32_t value = 0;
    for (size_t i = 2; i < size; ++i) value = value << 8 | sub[i];
    requests_.push_back({sub[1], value});
    if (!script_.confirm) return;
    if (sub[1] == telnet::kSetBaudRate && script_.baudReply != 0) value = script_.baudReply;
    std::vector<uint8_t> answer{telnet::kIac, telnet::kSb, telnet::kComPortOption,
                                static_cast<uint8_t>(sub[1] + telnet::kReplyOffset)};
    for (size_t i = 2; i < size; ++i) {
      const uint8_t byte = static_cast<uint8_t>(value >> (8 * (size - 1 - i)));
      answer.push_back(byte);
      if (byte == telnet::kIac) answer.push_back(byte);
    }
    answer.insert(answer.end(), {telnet::kIac, telnet::kSe});
    reply.insert(reply.end(), answer.begin(), answer.end());
  }

  Script script_;
  uint16_t port_ = 0;
  int listener_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  uint8_t verb_ = 0;
  std::vector<uint8_t> outbox_;
  int drop_ = 0;
  std::vector<Request> requests_;
  std::vector<uint8_t> payload_;
};

}  // namespace intercom::testing
