// Servers on loopback for the weather tests, each on a port the system picks: a stand-in
// for the forecast API, a raw server that misbehaves in one chosen way, and a running
// orrelux-weatherd. Each stops everything it started when it is destroyed.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace orx::testing {

// Answers GET /v1/forecast like the forecast API: one object for one place, an array for
// several, with the current temperature, weather code and day flag.
class ForecastStandin {
 public:
  enum class Mode { kOk, kError, kSlow, kGarbage };
  ForecastStandin();
  ~ForecastStandin();
  void SetMode(Mode mode) { mode_ = mode; }
  int port() const { return port_; }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  int requests() const { return requests_; }
  std::string lastQuery() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::atomic<Mode> mode_{Mode::kOk};
  std::atomic<int> requests_{0};
  int port_ = 0;
};

// A TCP server that reads a request and then misbehaves.
class FaultServer {
 public:
  enum class Mode {
    kNeverAnswer,  // accepts, reads, never answers
    kCloseMidway,  // promises 1000 bytes, sends 100, closes
    kHuge,         // sends a 10 MB answer
  };
  explicit FaultServer(Mode mode);
  ~FaultServer();
  int port() const { return port_; }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/cgi-bin/WeatherService.php"; }

 private:
  void Serve();
  Mode mode_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// orrelux-weatherd of the build tree on a free loopback port.
class ServiceProcess {
 public:
  ServiceProcess(const std::string& upstream, const std::vector<std::string>& extra = {});
  ~ServiceProcess();  // SIGTERM, then SIGKILL after 5 s
  bool ok() const { return port_ > 0; }
  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/cgi-bin/WeatherService.php"; }
  // Waits at most `ms` for the process to end by itself; true when it did.
  bool WaitExit(int ms);

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  bool reaped_ = false;
};

std::filesystem::path WeatherServiceProgram();

// A free TCP port on loopback (bound, read back and released).
int FreeLoopbackPort();

}  // namespace orx::testing
