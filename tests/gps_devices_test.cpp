// Receivers as the program meets them: real sentence logs replayed through
// pseudo-terminals, detection over several ports and rates, a real gpsd fed by gpsfake,
// a gpsd that never answers, and the GPS position drawn on the globe.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/info_command.h"
#include "globe/overlay.h"
#include "globe/view.h"
#include "gps/gps.h"
#include "measure/gps_display.h"
#include "platform/serial_port.h"
#include "settings/settings.h"
#include "support/headless_app.h"
#include "support/pseudo_terminal.h"
#include "support/temp_dir.h"

namespace orx {
namespace {

namespace fs = std::filesystem;
using testing::PseudoTerminal;
using testing::WaitFor;

constexpr double kDegree = 3.14159265358979323846 / 180;

std::string ReadLog(const char* name) {
  std::ifstream in(fs::path(ORRELUX_SOURCE_DIR) / "tests/data/nmea" / name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Lines(const std::string& log) {
  std::vector<std::string> lines;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// An environment variable set for one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A loopback socket bound to a port of the system's choice; listening or not.
struct LoopbackSocket {
  explicit LoopbackSocket(bool listen) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0 && (!listen || ::listen(fd, 4) == 0)) {
      port = ntohs(a.sin_port);
    }
  }
  ~LoopbackSocket() { ::close(fd); }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port); }
  int fd = -1;
  int port = 0;
};

// A free loopback port where nothing listens.
int FreePort() { return LoopbackSocket(false).port; }

// A receiver that speaks its log at `rate` only. At another rate the line carries what a
// mismatched serial line makes of it: below 2400, bytes that never end a line (the
// sentence buffer overflows); above, short lines without "$".
class FakeReceiver {
 public:
  FakeReceiver(std::string log, speed_t rate) : lines_(Lines(log)), rate_(rate) {
    ::fcntl(pty.master(), F_SETFL, ::fcntl(pty.master(), F_GETFL) | O_NONBLOCK);
    thread_ = std::thread([this] { Run(); });
  }
  ~FakeReceiver() {
    stop_ = true;
    thread_.join();
  }
  PseudoTerminal pty;

 private:
  void Send(const std::string& bytes) { [[maybe_unused]] ssize_t n = ::write(pty.master(), bytes.data(), bytes.size()); }
  void Run() {
    size_t next = 0;
    while (!stop_) {
      const speed_t speed = pty.Speed();
      if (speed == rate_) {
        Send("\r\n" + lines_[next++ % lines_.size()] + "\r\n");
      } else if (speed < B2400) {
        Send(std::string(40, '\xA5'));
      } else {
        Send("\xF3\x81 \x0C\xE5\r\n");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  std::vector<std::string> lines_;
  speed_t rate_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Collects the GPS page's changes until detection has ended.
std::vector<GpsPageChange> ChangesUntilDetectionEnds(Gps& gps, int ms) {
  std::vector<GpsPageChange> changes;
  const auto take = [&] {
    for (GpsPageChange& c : TakeGpsPageChanges(gps)) changes.push_back(std::move(c));
  };
  EXPECT_TRUE(WaitFor([&] {
    take();
    return !GpsDetectionRunning(gps);
  }, ms));
  take();
  return changes;
}

// The ports and rates detection listed as it tried them (the reader's texts left out).
std::vector<std::string> Tried(const std::vector<GpsPageChange>& changes) {
  std::set<std::string> names;
  for (int i = 0; i < kGpsPortEntries; ++i) names.insert(GpsPortName(i));
  for (int i = 0; i < static_cast<int>(kGpsBaudRates.size()); ++i) names.insert(GpsBaudText(i));
  std::vector<std::string> tried;
  for (const GpsPageChange& c : changes) {
    if (c.kind == GpsPageChange::kAdd && names.count(c.text)) tried.push_back(c.text);
  }
  return tried;
}

class Receivers : public ::testing::Test {
 protected:
  void SetUp() override {
    InitGpsSubsystem(gps);
    EnableGpsStatus(gps.reader, true);  // as while the Options dialog is open
  }
  void TearDown() override { ReleaseGps(gps); }
  // Runs the timer's GPS work until the main fix copy is valid.
  bool WaitForMainFix(int ms = 5000) {
    int countdown = 1;
    return WaitFor([&] {
      GpsTick(gps, settings, countdown);
      return gps.mainFix.status == kGpsValid;
    }, ms);
  }
  Gps gps;
  Settings settings;
  // Nothing answers as gpsd unless a test says otherwise.
  ScopedEnv noGpsd{platform::kGpsdVariable, "127.0.0.1:" + std::to_string(FreePort())};
};

// The sentences of the npm package "gps" test suite, from many receivers; positions as
// that suite expects them.
TEST_F(Receivers, RealSentenceLogsGiveTheirPositionsInPiecesAndWhole) {
  PseudoTerminal pty;
  ASSERT_TRUE(OpenGpsPort(gps.reader, pty.slave(), 4800));
  struct Known {
    const char* prefix;
    double latitude, longitude, course;
  };
  const Known known[] = {
      {"$GPRMC,234919.000", 48.539856666666665, 9.059166666666666, 2.93},
      {"$GPRMC,081836", -37.86083333333333, 145.12266666666667, 360},
      {"$GPRMC,123519", 48.1173, 11.516666666666667, 84.4},
      {"$GPRMC,092750.000", 53.361336666666666, -6.50562, 31.66},
      {"$GPRMC,092751.000", 53.361336666666666, -6.5056183333333335, 31.66},
  };
  int checked = 0;
  for (const std::string& line : Lines(ReadLog("receivers.nmea"))) {
    pty.Write(line + "\r\n");
    std::string status;
    ASSERT_TRUE(WaitFor([&] {
      TakeGpsStatus(gps.reader, [&](std::string_view t) { status = t; });
      return status == line;
    })) << line;
    GpsFix fix;
    GetGpsFix(gps.reader, fix);
    for (const Known& k : known) {
      if (line.rfind(k.prefix, 0) != 0) continue;
      EXPECT_EQ(fix.status, kGpsValid) << line;
      EXPECT_NEAR(fix.latitude, k.latitude, 1e-9) << line;
      EXPECT_NEAR(fix.longitude, k.longitude, 1e-9) << line;
      EXPECT_DOUBLE_EQ(fix.course, k.course) << line;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 5);
  EXPECT_EQ(GetGpsReaderState(gps.reader), kGpsReaderReceiving);

  // The same suite's partial updates: a sentence cut across reads, after a fragment.
  for (const char* piece : {"6,,*0D\r\n$GPRMC,234919.000", ",A,4832.3914,N,00903.5500",
                            ",E,2.28,2.93,260116,,*0D\r\n$GPVTG,2.", "93,T,,M,2.28,N,4.2,K*66\r\nfoo"}) {
    pty.Write(piece);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(WaitForMainFix());
  EXPECT_NEAR(gps.mainFix.latitude, 48.539856666666665, 1e-9);
  EXPECT_DOUBLE_EQ(gps.mainFix.speed, 2.28);

  // A burst of one receiver's second, written at once: its last fix counts.
  pty.Write(ReadLog("dublin.nmea"));
  int countdown = 1;
  ASSERT_TRUE(WaitFor([&] {
    GpsTick(gps, settings, countdown);
    return gps.mainFix.status == kGpsValid && gps.mainFix.speed == 0.06;
  }));
  EXPECT_NEAR(gps.mainFix.longitude, -6.5056183333333335, 1e-9);
}

TEST_F(Receivers, DetectionFindsTheReceiverOnTheThirdPortAt4800AndLeavesItOpen) {
  PseudoTerminal silent;  // a port where nothing answers
  FakeReceiver receiver(ReadLog("dublin.nmea"), B4800);
  ScopedEnv devices(platform::kSerialDeviceVariable,
                    "/nonexistent/ttyUSB0:" + silent.slave() + ":" + receiver.pty.slave());
  StartGpsDetection(gps);
  const std::vector<GpsPageChange> changes = ChangesUntilDetectionEnds(gps, 30000);
  EXPECT_EQ(Tried(changes), (std::vector<std::string>{"COM1", "1200", "COM2", "1200", "COM3", "1200", "COM3",
                                                       "2400", "COM3", "4800"}));
  ASSERT_GE(changes.size(), 3u);
  EXPECT_EQ(changes[1].text, "Detecting GPS device.");
  EXPECT_EQ(changes[2].text, "Please wait...");
  std::vector<std::string> list;
  const int found = ApplyGpsPageChanges(list, changes);
  ASSERT_GE(found, 0);
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list.front(), "GPS detected.");
  StoreGpsChoice(settings, GpsPortName(changes[found].port), GpsBaudText(changes[found].baud));
  EXPECT_EQ(settings.gpsPort, 2);
  EXPECT_EQ(settings.gpsBaud, 2);
  // The port stays open at 4800 and the fix reaches the main window's copy.
  EXPECT_EQ(receiver.pty.Speed(), static_cast<speed_t>(B4800));
  ASSERT_TRUE(WaitForMainFix());
  EXPECT_NEAR(gps.mainFix.latitude, 53.361336666666666, 1e-9);
}

TEST_F(Receivers, CloseGpsCancelsDetectionAndOpenGpsKeepsTheChosenPort) {
  FakeReceiver receiver(ReadLog("dublin.nmea"), B57600);
  ScopedEnv devices(platform::kSerialDeviceVariable, receiver.pty.slave());
  const auto tryingAt2400 = [&] { return receiver.pty.Speed() == B2400 && GpsReaderRunning(gps.reader); };

  StartGpsDetection(gps);
  ASSERT_TRUE(WaitFor(tryingAt2400, 10000));
  CloseGpsFromPage(gps);
  std::vector<GpsPageChange> changes = ChangesUntilDetectionEnds(gps, 10000);
  std::vector<std::string> texts;
  for (const GpsPageChange& c : changes) texts.push_back(c.text);
  const auto closed = std::find(texts.begin(), texts.end(), "GPS Port closed.");
  const auto canceled = std::find(texts.begin(), texts.end(), "Auto-detect canceled.");
  ASSERT_NE(closed, texts.end());
  ASSERT_NE(canceled, texts.end());
  EXPECT_LT(closed, canceled);
  std::vector<std::string> list;
  EXPECT_EQ(ApplyGpsPageChanges(list, changes), -1);
  EXPECT_EQ(list.front(), "Auto-detect canceled.");
  EXPECT_FALSE(GpsReaderRunning(gps.reader));

  // "Open GPS" while detecting: the ending detection leaves the chosen port open.
  StartGpsDetection(gps);
  ASSERT_TRUE(WaitFor(tryingAt2400, 10000));
  EXPECT_TRUE(OpenGpsFromPage(gps, settings, 0, 9));
  changes = ChangesUntilDetectionEnds(gps, 5000);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(GpsReaderRunning(gps.reader));
  EXPECT_EQ(receiver.pty.Speed(), static_cast<speed_t>(B115200));
  EXPECT_EQ(settings.gpsPort, 0);
  EXPECT_EQ(settings.gpsBaud, 9);
}

// A real gpsd, started by gpsfake on a free port, replaying a log through its own
// pseudo-terminal; the whole process group is stopped with it.
class GpsFake {
 public:
  explicit GpsFake(const fs::path& log) : port_(FreePort()) {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setpgid(0, 0);
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 1);
      ::dup2(null, 2);
      const std::string port = std::to_string(port_);
      ::execlp("gpsfake", "gpsfake", "-q", "-c", "0.1", "-P", port.c_str(), log.c_str(), nullptr);
      ::_exit(127);
    }
    if (pid_ > 0) ::setpgid(pid_, pid_);
  }
  ~GpsFake() {
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGTERM);
    if (!WaitFor([&] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; }, 5000)) {
      ::kill(-pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::kill(-pid_, SIGKILL);  // a daemon left behind by the replayer
  }
  bool Answering() const {
    return pid_ > 0 && WaitFor([&] { return platform::GpsdAnswers({"127.0.0.1", port_}); }, 15000);
  }
  std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  int port_;
  pid_t pid_ = -1;
};

bool HaveProgram(const char* name) {
  return std::system(("command -v " + std::string(name) + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs the built program with its own HOME and settings; returns its exit status and
// output lines.
int RunOrrelux(const std::string& environment, const std::string& arguments, std::vector<std::string>& lines) {
  const std::string command = "env " + environment + " '" ORRELUX_BINARY_DIR "/src/orrelux' --data-dir '" +
                              ORRELUX_SOURCE_DIR "/data' " + arguments + " 2>&1";
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return -1;
  std::string out;
  char buffer[512];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
  const int status = ::pclose(p);
  lines = Lines(out);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Receivers, GpsdEntryReadsARealGpsdDetectionFindsItFirstAndInfoGpsPrintsThePlace) {
  if (!HaveProgram("gpsfake")) GTEST_SKIP() << "gpsfake (gpsd-clients) is not installed";
  GpsFake gpsd(fs::path(ORRELUX_SOURCE_DIR) / "tests/data/nmea/dublin.nmea");
  ASSERT_TRUE(gpsd.Answering());
  ScopedEnv address(platform::kGpsdVariable, gpsd.Address());
  ScopedEnv devices(platform::kSerialDeviceVariable, "/nonexistent/ttyUSB0");

  settings.gpsBaud = 3;
  ASSERT_TRUE(OpenGpsFromPage(gps, settings, kGpsdPortIndex, -1));
  EXPECT_EQ(settings.gpsPort, kGpsdPortIndex);
  EXPECT_EQ(settings.gpsBaud, 3);  // gpsd has no rate: the stored one stays
  std::vector<std::string> texts;
  int countdown = 1;
  ASSERT_TRUE(WaitFor([&] {
    GpsTick(gps, settings, countdown);
    for (const GpsPageChange& c : TakeGpsPageChanges(gps)) texts.push_back(c.text);
    return gps.mainFix.status == kGpsValid;
  }, 15000));
  EXPECT_NEAR(gps.mainFix.latitude, 53.361336666666666, 1e-9);
  EXPECT_NEAR(gps.mainFix.longitude, -6.5056, 1e-4);
  for (const std::string& t : texts) EXPECT_NE(t.front(), '{') << "a gpsd reply reached the reader: " << t;

  StartGpsDetection(gps);
  const std::vector<GpsPageChange> changes = ChangesUntilDetectionEnds(gps, 15000);
  EXPECT_EQ(Tried(changes), std::vector<std::string>{"gpsd"});
  std::vector<std::string> list;
  const int found = ApplyGpsPageChanges(list, changes);
  ASSERT_GE(found, 0);
  EXPECT_EQ(changes[found].port, kGpsdPortIndex);
  EXPECT_EQ(changes[found].baud, -1);
  ReleaseGps(gps);

  // The terminal clock reads the same receiver from the settings' gpsd entry.
  testing::TempDir home;
  fs::create_directories(home.path() / "config/orrelux");
  std::ofstream(home.path() / "config/orrelux/settings.ini") << "[GPS]\nGPS Port = dword:19\n";
  std::vector<std::string> lines;
  const std::string environment = "HOME='" + home.path().string() + "' XDG_CONFIG_HOME='" +
                                  (home.path() / "config").string() + "' ORRELUX_GPSD=" + gpsd.Address();
  ASSERT_EQ(RunOrrelux(environment, "--info gps", lines), 0) << (lines.empty() ? "" : lines[0]);
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(lines[0].rfind("GPS: 53° 22' N  06° 30' W, course 31.7° NNE, ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "Dublin, Ireland");
}

// Accepts every connection on loopback and never sends a byte.
class SilentService {
 public:
  SilentService() : socket_(true) {
    thread_ = std::thread([this] {
      for (;;) {
        const int fd = ::accept(socket_.fd, nullptr, nullptr);
        if (fd < 0) return;
        accepted_.push_back(fd);
      }
    });
  }
  ~SilentService() {
    ::shutdown(socket_.fd, SHUT_RDWR);
    thread_.join();
    for (int fd : accepted_) ::close(fd);
  }
  std::string Address() const { return socket_.Address(); }

 private:
  LoopbackSocket socket_;
  std::vector<int> accepted_;
  std::thread thread_;
};

TEST_F(Receivers, AHungGpsdGivesNoDataWithoutHoldingUpTheTimerDetectionOrInfoGps) {
  SilentService hung;
  ScopedEnv address(platform::kGpsdVariable, hung.Address());
  ScopedEnv devices(platform::kSerialDeviceVariable, "/nonexistent/ttyUSB0");

  ASSERT_TRUE(OpenGpsFromPage(gps, settings, kGpsdPortIndex, -1));
  std::vector<std::string> texts;
  int countdown = 1;
  auto longest = std::chrono::steady_clock::duration::zero();
  ASSERT_TRUE(WaitFor([&] {
    const auto start = std::chrono::steady_clock::now();
    GpsTick(gps, settings, countdown);
    for (const GpsPageChange& c : TakeGpsPageChanges(gps)) texts.push_back(c.text);
    longest = std::max(longest, std::chrono::steady_clock::now() - start);
    return !texts.empty() && texts.back() == "No data received";
  }));
  // The reader waits a second per read; the timer's work never waits for it.
  EXPECT_LT(longest, std::chrono::milliseconds(250));
  EXPECT_EQ(GetGpsReaderState(gps.reader), kGpsReaderNoData);
  EXPECT_NE(gps.mainFix.status, kGpsValid);
  const auto closing = std::chrono::steady_clock::now();
  CloseGpsFromPage(gps);
  EXPECT_LT(std::chrono::steady_clock::now() - closing, std::chrono::milliseconds(500));

  // Detection gives up on it after the read time-out and goes on to the serial ports.
  StartGpsDetection(gps);
  const std::vector<GpsPageChange> changes = ChangesUntilDetectionEnds(gps, 15000);
  // Every serial port fails to open: each is listed with its first rate only.
  const std::vector<std::string> tried = Tried(changes);
  ASSERT_EQ(tried.size(), 1u + 2 * kGpsPortCount);
  EXPECT_EQ(tried[0], "gpsd");
  EXPECT_EQ(tried[1], "COM1");
  EXPECT_EQ(tried.back(), "1200");
  std::vector<std::string> list;
  EXPECT_EQ(ApplyGpsPageChanges(list, changes), -1);
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(list[0], "No GPS device could be detected.");
  EXPECT_EQ(list[1], "Please try to open manually.");
  EXPECT_FALSE(GpsReaderRunning(gps.reader));

  Settings chosen;
  chosen.gpsPort = kGpsdPortIndex;
  std::ostringstream out, err;
  const platform::SystemTime now = platform::SystemTimeFromMillis(*platform::ParseUtcInstant("2026-12-07T12:00:00Z"));
  EXPECT_EQ(RunGpsInfoCommand(now, chosen, fs::path(ORRELUX_SOURCE_DIR) / "data/cities.bin", out, err, 1500), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("No data received"), std::string::npos) << err.str();
}

TEST(GpsCourse, TheLineEndsAQuarterOfAGreatCircleAway) {
  double lat, lon;
  CourseLineEnd(0, 0, 90, lat, lon);  // east along the equator
  EXPECT_NEAR(lat, 0, 1e-9);
  EXPECT_NEAR(lon, 90 * kDegree, 1e-9);
  CourseLineEnd(45 * kDegree, 10 * kDegree, 0, lat, lon);  // north over the pole
  EXPECT_NEAR(lat, 45 * kDegree, 1e-9);
  EXPECT_NEAR(std::remainder(lon - 190 * kDegree, 360 * kDegree), 0, 1e-9);
}

// The GPS page's "Open GPS" in the running program, sentences on the port, and the frame.
class GpsOnTheGlobe : public testing::HeadlessApp {
 protected:
  void SetUp() override {
    HeadlessApp::SetUp();
    if (HasFatalFailure()) return;
    StartTimer();
    CenterOn(app_.globe.view, 51 * kDegree, 0);
    app_.globe.view.redrawRequested = true;
  }
  void Tick() {
    clock_.Advance(50);
    app_.host->PumpPending();
  }
  bool TickUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
      Tick();
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  uint16_t Shown(int x, int y) {
    return static_cast<platform::HeadlessDisplay&>(app_.host->display()).Pixel(static_cast<uint32_t>(x),
                                                                               static_cast<uint32_t>(y));
  }
  // Whether the strip's `part` shows (every pixel that is not transparent) with its top
  // left within two pixels of (left, top).
  bool ShowsPart(const ImageObject& image, StripPart part, int left, int top) {
    for (int dy = -2; dy <= 2; ++dy) {
      for (int dx = -2; dx <= 2; ++dx) {
        int drawn = 0, same = 0;
        for (int y = 0; y < part.h; ++y) {
          for (int x = 0; x < part.w; ++x) {
            const Color565 c = image.pixels16()[static_cast<size_t>(part.y + y) * image.width + part.x + x];
            if (c == kColorKey) continue;
            ++drawn;
            same += Shown(left + dx + x, top + dy + y) == c;
          }
        }
        if (drawn > 0 && same == drawn) return true;
      }
    }
    return false;
  }
  Point Projected(double latitude, double longitude) {
    Point p{-100, -100};
    EXPECT_TRUE(GlobeToScreen(app_.globe.view, latitude * kDegree, longitude * kDegree, p.x, p.y));
    return p;
  }
  bool ShowsMarkerAt(Point p) {
    for (int k = 0; k < 4; ++k) {
      if (ShowsPart(app_.markerStrip, GpsMarkerPart(k), p.x - 4, p.y - 4)) return true;
    }
    return false;
  }
  const StripPart historyDot{30, 20, 5, 5};
};

TEST_F(GpsOnTheGlobe, MarkerAtTheFixCompassInItsCornerAndHistoryDotsAfterAddCurrent) {
  ASSERT_TRUE(app_.compassImage);
  app_.settings.showHistory = true;
  PseudoTerminal pty;
  ScopedEnv devices(platform::kSerialDeviceVariable, pty.slave());
  ASSERT_TRUE(OpenGpsFromPage(app_.gps, app_.settings, 0, 2));
  pty.Write(ReadLog("swabia.nmea"));
  ASSERT_TRUE(TickUntil([&] { return app_.gps.mainFix.status == kGpsValid; }));

  // The marker blinks at the fix: over a few frames its picture shows there.
  const Point swabia = Projected(48.539856666666665, 9.059166666666666);
  EXPECT_TRUE(TickUntil([&] { return ShowsMarkerAt(swabia); }));

  // The compass in the top right corner, with the course and speed under it.
  const ImageObject& compass = *app_.compassImage;
  const int cx = 240 - compass.width - 5, cy = 5;
  int drawn = 0, same = 0;
  for (int y = 0; y < compass.height; ++y) {
    for (int x = 0; x < compass.width; ++x) {
      const Color565 c = compass.pixels16()[static_cast<size_t>(y) * compass.width + x];
      if (c == kColorKey) continue;
      ++drawn;
      same += Shown(cx + x, cy + y) == c;
    }
  }
  EXPECT_GT(same, drawn * 9 / 10);  // all but the needle
  int courseText = 0;
  for (int y = cy + compass.height; y < cy + compass.height + 30; ++y) {
    for (int x = cx; x < cx + compass.width; ++x) courseText += Shown(x, y) == app_.settings.gpsCourseColor;
  }
  EXPECT_GT(courseText, 20);

  // "Add Current" here, then at the next fix: the first dot stays where the marker was.
  ASSERT_TRUE(AddCurrentGpsPoint(app_.gps));
  pty.Write(ReadLog("dublin.nmea"));
  ASSERT_TRUE(TickUntil([&] { return app_.gps.mainFix.latitude > 53; }));
  ASSERT_TRUE(AddCurrentGpsPoint(app_.gps));
  ASSERT_EQ(app_.gps.history.size(), 2u);
  const Point dublin = Projected(53.361336666666666, -6.5056183333333335);
  const Point dot = Projected(static_cast<int>(48.539856666666665 * 60) / 60.0, static_cast<int>(9.059166666666666 * 60) / 60.0);
  EXPECT_TRUE(TickUntil([&] { return ShowsMarkerAt(dublin); }));
  EXPECT_TRUE(ShowsPart(app_.markerStrip, historyDot, dot.x - 2, dot.y - 2));
  EXPECT_FALSE(ShowsMarkerAt(swabia));

  // "Clear History": the dots go at the next redraw.
  ClearGpsHistory(app_.gps);
  Tick();
  Tick();
  EXPECT_FALSE(ShowsPart(app_.markerStrip, historyDot, dot.x - 2, dot.y - 2));
}

}  // namespace
}  // namespace orx
