// orrelux-weatherd: the weather service of Orrelux. Answers the program's "getcities"
// and "getweather" requests at /cgi-bin/WeatherService.php over HTTP, with the current
// weather from Open-Meteo's forecast API, cached.
#include <signal.h>
#include <unistd.h>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "cities/city_database.h"
#include "platform/http_post.h"
#include "platform/paths.h"
#include "weather/service_address.h"
#include "weather/weather_protocol.h"
#include "weatherd/open_meteo.h"
#include "weatherd/service.h"

namespace {

using namespace orx;
using namespace orx::weatherd;

constexpr char kUsage[] =
    "Usage: orrelux-weatherd [OPTION]...\n"
    "The weather service of Orrelux: answers the program's weather requests with the\n"
    "current weather from Open-Meteo's forecast API.\n\n"
    "  --listen ADDR:PORT   address to serve (default 127.0.0.1:%d; port 0 picks one)\n"
    "  --upstream URL       base address of the forecast API (default %s,\n"
    "                       or $ORRELUX_WEATHER_UPSTREAM)\n"
    "  --data-dir DIR       folder holding cities.bin\n"
    "  --idle-exit SECONDS  end after this long without requests (0 = never, the default)\n"
    "  --pid-file FILE      write the process id to FILE while running\n"
    "  --help, --version\n";

// ORRELUX_WEATHER_UPSTREAM replaces the default forecast API, also for a service that the
// program starts by itself (a local mirror, or a stand-in in tests).
std::string DefaultUpstream() {
  const char* v = std::getenv("ORRELUX_WEATHER_UPSTREAM");
  return v && platform::IsHttpUrl(v) ? v : kDefaultUpstream;
}

struct Options {
  std::string host = "127.0.0.1";
  int port = WeatherdPort();
  std::string upstream = DefaultUpstream();
  std::optional<std::filesystem::path> dataDir;
  long idleExitSeconds = 0;
  std::string pidFile;
};

bool ParseListen(const std::string& value, Options& o) {
  const size_t colon = value.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  std::string host = value.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  char* end = nullptr;
  const long port = std::strtol(value.c_str() + colon + 1, &end, 10);
  if (end == value.c_str() + colon + 1 || *end != '\0' || port < 0 || port > 65535) return false;
  o.host = host;
  o.port = static_cast<int>(port);
  return true;
}

int Fail(const std::string& text) {
  std::fprintf(stderr, "orrelux-weatherd: %s\n", text.c_str());
  return 2;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      const size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        out = arg.substr(eq + 1);
        return true;
      }
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    const std::string name = arg.substr(0, arg.find('='));
    std::string v;
    if (name == "--help") {
      std::printf(kUsage, kDefaultWeatherdPort, kDefaultUpstream);
      return 0;
    } else if (name == "--version") {
      std::printf("orrelux-weatherd %s\n", ORRELUX_VERSION);
      return 0;
    } else if (name == "--listen") {
      if (!value(v) || !ParseListen(v, o)) return Fail("--listen needs ADDR:PORT, e.g. 127.0.0.1:47380");
    } else if (name == "--upstream") {
      if (!value(v) || !platform::IsHttpUrl(v)) return Fail("--upstream needs an http:// or https:// address");
      o.upstream = v;
    } else if (name == "--data-dir") {
      if (!value(v)) return Fail("--data-dir needs a folder");
      o.dataDir = std::filesystem::path(v);
    } else if (name == "--idle-exit") {
      char* end = nullptr;
      if (!value(v)) return Fail("--idle-exit needs a number of seconds");
      o.idleExitSeconds = std::strtol(v.c_str(), &end, 10);
      if (end == v.c_str() || *end != '\0' || o.idleExitSeconds < 0) return Fail("--idle-exit needs a number of seconds");
    } else if (name == "--pid-file") {
      if (!value(v)) return Fail("--pid-file needs a file name");
      o.pidFile = v;
    } else {
      return Fail("unknown option " + arg + " (see --help)");
    }
  }

  const std::optional<std::filesystem::path> dataDir = platform::FindDataDir(o.dataDir);
  CityDatabase cities;
  if (!dataDir) return Fail("no data folder with cities.bin (use --data-dir)");
  const CityDatabaseOpenResult opened = OpenCityDatabase(cities, *dataDir / "cities.bin");
  if (!opened.ok()) return Fail("cannot use " + (*dataDir / "cities.bin").string() + ": " + opened.message);

  const std::string upstreamBase = o.upstream;
  WeatherService service(
      cities,
      [&upstreamBase](const std::vector<Position>& positions, std::vector<CurrentWeather>& out, std::string& error) {
        std::string answer;
        long code = 0;
        const platform::HttpStatus status = platform::HttpGet(ForecastUrl(upstreamBase, positions), answer, code);
        if (status != platform::HttpStatus::kOk) {
          error = "no answer from " + upstreamBase;
          return false;
        }
        if (!ParseForecast(answer, positions.size(), out, error)) return false;
        if (code != 200) {
          error = "HTTP status " + std::to_string(code);
          return false;
        }
        return true;
      },
      NowMs);

  // SIGTERM and SIGINT end the service; they are taken by a thread of their own.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGUSR1);  // sent by main when the service ends on its own
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  httplib::Server server;
  std::atomic<int64_t> lastRequest{NowMs()};
  server.set_payload_max_length(1u << 20);
  server.set_read_timeout(10, 0);
  server.set_write_timeout(10, 0);
  server.Post(kWeatherServicePath, [&](const httplib::Request& request, httplib::Response& response) {
    lastRequest = NowMs();
    response.set_content(service.Answer(request.body), "text/plain; charset=windows-1252");
  });
  server.Get(kWeatherServicePath, [&](const httplib::Request&, httplib::Response& response) {
    lastRequest = NowMs();
    response.set_content("orrelux-weatherd: POST action=getcities or action=getweather here.\n",
                         "text/plain; charset=utf-8");
  });

  int port = o.port;
  if (port == 0) {
    port = server.bind_to_any_port(o.host);
    if (port < 0) return Fail("cannot listen on " + o.host);
  } else if (!server.bind_to_port(o.host, port)) {
    return Fail("cannot listen on " + o.host + ":" + std::to_string(port));
  }
  if (!o.pidFile.empty()) {
    std::ofstream(o.pidFile) << getpid() << "\n";
  }
  std::printf("orrelux-weatherd: listening on http://%s:%d%s\n", o.host.c_str(), port, kWeatherServicePath);
  std::fflush(stdout);

  std::mutex stopMutex;
  std::condition_variable stopWake;
  bool stopping = false;
  std::thread signals([&] {
    int sig = 0;
    sigwait(&stopSignals, &sig);
    if (sig == SIGUSR1) return;  // the service is ending for another reason
    server.stop();
  });
  std::thread idle([&] {
    std::unique_lock<std::mutex> hold(stopMutex);
    while (!stopping) {
      stopWake.wait_for(hold, std::chrono::seconds(1));
      if (o.idleExitSeconds > 0 && NowMs() - lastRequest > o.idleExitSeconds * 1000) {
        server.stop();
        break;
      }
    }
  });

  server.listen_after_bind();

  {
    std::lock_guard<std::mutex> hold(stopMutex);
    stopping = true;
  }
  stopWake.notify_all();
  idle.join();
  pthread_kill(signals.native_handle(), SIGUSR1);
  signals.join();
  if (!o.pidFile.empty()) std::filesystem::remove(o.pidFile);
  CloseCityDatabase(cities);
  return 0;
}
