#include "support/weather_servers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <sstream>

namespace orx::testing {

// ---------------------------------------------------------------------------------------
// Forecast stand-in

struct ForecastStandin::Impl {
  httplib::Server server;
  std::thread thread;
  std::mutex mutex;
  std::string lastQuery;
};

namespace {

std::vector<std::string> SplitCommas(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream in(s);
  std::string item;
  while (std::getline(in, item, ',')) out.push_back(item);
  return out;
}

// A recorded-shaped answer for one place: the temperature follows the latitude so that
// tests can tell places apart; the weather code is rain south of 45 degrees.
std::string PlaceJson(const std::string& latitude, const std::string& longitude) {
  const double lat = std::stod(latitude);
  char text[512];
  std::snprintf(text, sizeof text,
                "{\"latitude\":%s,\"longitude\":%s,\"generationtime_ms\":0.05,\"utc_offset_seconds\":0,"
                "\"timezone\":\"GMT\",\"timezone_abbreviation\":\"GMT\",\"elevation\":35.0,"
                "\"current_units\":{\"time\":\"iso8601\",\"interval\":\"seconds\",\"temperature_2m\":\"\\u00b0C\","
                "\"weather_code\":\"wmo code\",\"is_day\":\"\"},"
                "\"current\":{\"time\":\"2026-12-07T12:00\",\"interval\":900,\"temperature_2m\":%.1f,"
                "\"weather_code\":%d,\"is_day\":1}}",
                latitude.c_str(), longitude.c_str(), lat / 4.0, lat < 45 ? 61 : 0);
  return text;
}

}  // namespace

ForecastStandin::ForecastStandin() : impl_(std::make_unique<Impl>()) {
  impl_->server.Get("/v1/forecast", [this](const httplib::Request& request, httplib::Response& response) {
    ++requests_;
    {
      std::lock_guard<std::mutex> hold(impl_->mutex);
      impl_->lastQuery = request.target;
    }
    switch (mode_.load()) {
      case Mode::kError:
        response.status = 400;
        response.set_content("{\"error\":true,\"reason\":\"Latitude must be in range of -90 to 90\"}",
                             "application/json");
        return;
      case Mode::kGarbage: response.set_content("<html>not a forecast", "text/html"); return;
      case Mode::kSlow: std::this_thread::sleep_for(std::chrono::milliseconds(1500)); break;
      case Mode::kOk: break;
    }
    const std::vector<std::string> lats = SplitCommas(request.get_param_value("latitude"));
    const std::vector<std::string> lons = SplitCommas(request.get_param_value("longitude"));
    std::string body;
    if (lats.size() == 1) {
      body = PlaceJson(lats[0], lons.at(0));
    } else {
      body = "[";
      for (size_t i = 0; i < lats.size() && i < lons.size(); ++i) body += (i ? "," : "") + PlaceJson(lats[i], lons[i]);
      body += "]";
    }
    response.set_content(body, "application/json");
  });
  port_ = impl_->server.bind_to_any_port("127.0.0.1");
  impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
}

ForecastStandin::~ForecastStandin() {
  impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
}

std::string ForecastStandin::lastQuery() const {
  std::lock_guard<std::mutex> hold(impl_->mutex);
  return impl_->lastQuery;
}

// ---------------------------------------------------------------------------------------
// Fault server

FaultServer::FaultServer(Mode mode) : mode_(mode) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(listener_, 8) == 0 &&
      getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port_ = ntohs(addr.sin_port);
  }
  thread_ = std::thread([this] { Serve(); });
}

FaultServer::~FaultServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  close(listener_);
}

void FaultServer::Serve() {
  std::vector<int> held;
  while (!stop_) {
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    const int s = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (s < 0) continue;
    // Read the request head (and what body came with it).
    char buffer[4096];
    pollfd r{s, POLLIN, 0};
    if (poll(&r, 1, 2000) > 0) (void)!read(s, buffer, sizeof buffer);
    auto send_all = [&](const std::string& data) {
      size_t at = 0;
      while (at < data.size() && !stop_) {
        const ssize_t n = send(s, data.data() + at, data.size() - at, MSG_NOSIGNAL);
        if (n <= 0) break;
        at += static_cast<size_t>(n);
      }
    };
    switch (mode_) {
      case Mode::kNeverAnswer: held.push_back(s); continue;
      case Mode::kCloseMidway:
        send_all("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 1000\r\n\r\n" +
                 std::string("<MSG>m</MSG>48.85~2.35~~Paris 21\xB0" "C|") + std::string(70, 'x'));
        break;
      case Mode::kHuge: {
        const size_t size = 10u << 20;
        send_all("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n");
        const std::string chunk(64 * 1024, 'y');
        for (size_t sent = 0; sent < size && !stop_; sent += chunk.size()) send_all(chunk);
        break;
      }
    }
    close(s);
  }
  for (int s : held) close(s);
}

// ---------------------------------------------------------------------------------------
// orrelux-weatherd

std::filesystem::path WeatherServiceProgram() {
  return std::filesystem::path(ORRELUX_BINARY_DIR) / "src" / "orrelux-weatherd";
}

ServiceProcess::ServiceProcess(const std::string& upstream, const std::vector<std::string>& extra) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return;
  std::vector<std::string> args{WeatherServiceProgram().string(), "--listen", "127.0.0.1:0", "--data-dir",
                                std::string(ORRELUX_SOURCE_DIR) + "/data", "--upstream", upstream};
  args.insert(args.end(), extra.begin(), extra.end());
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], 1);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  // The first line names the address: "orrelux-weatherd: listening on http://127.0.0.1:PORT/...".
  std::string line;
  char c;
  pollfd p{out[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0 && read(out[0], &c, 1) == 1) line.push_back(c);
  close(out[0]);
  const size_t at = line.find("127.0.0.1:");
  if (at != std::string::npos) port_ = std::atoi(line.c_str() + at + 10);
}

bool ServiceProcess::WaitExit(int ms) {
  if (pid_ <= 0 || reaped_) return true;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) return reaped_ = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < end);
  return false;
}

ServiceProcess::~ServiceProcess() {
  if (pid_ <= 0 || reaped_) return;
  kill(pid_, SIGTERM);
  if (!WaitExit(5000)) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

int FreeLoopbackPort() {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(s);
  return port;
}

}  // namespace orx::testing
