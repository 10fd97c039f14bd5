// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A messaging peer on 127.0.0.1 that the test scripts: it can answer as a
// messenger does, or wrongly, slowly or not at all. Each connection is served
// on its own thread by the handler; what arrived is kept for the test to see.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vantor::lan::samba::test {

// One accepted connection as the handler sees it.
class PeerConnection {
 public:
  explicit PeerConnection(int fd) : fd_(fd) {}
  // One session frame: its 4-byte header and body. False on end, error or after 5 s.
  bool ReadFrame(std::uint8_t& type, std::string& body);
  void Write(const std::string& bytes);
  // Reads the session request and answers it with a positive response, as a
  // messenger does. False when no request came.
  bool AcceptSession();
  int Fd() const { return fd_; }

 private:
  bool ReadExact(std::size_t n, std::string& out);
  int fd_;
};

class FakePeer {
 public:
  using Handler = std::function<void(PeerConnection&, FakePeer&)>;
  explicit FakePeer(Handler handler);
  ~FakePeer();
  FakePeer(const FakePeer&) = delete;
  FakePeer& operator=(const FakePeer&) = delete;

  std::uint16_t Port() const { return port_; }
  int Connections() const { return connections_.load(); }

  void Record(std::string what);
  std::vector<std::string> Recorded() const;

 private:
  void Serve();

  Handler handler_;
  int listenFd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> recorded_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

// Builds a reply to an SMB request: same command and multiplex id, the given
// DOS error class and code, and parameter words.
std::string SmbReplyTo(const std::string& request, std::uint8_t errClass = 0, std::uint16_t code = 0,
                       std::vector<std::uint16_t> words = {});
std::string Frame(std::uint8_t type, const std::string& body);

// The handler of a well-behaved messenger: a positive session response, then
// every command answered with success; the session request and each command
// are recorded ("session:" + 68 bytes, then the SMB bytes).
void MessengerHandler(PeerConnection& c, FakePeer& peer);

}  // namespace vantor::lan::samba::test
