// The GPS reader: sentence cutting and RMC decoding, and the reader thread driven through
// a real pseudo-terminal.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "gps/gps_reader.h"
#include "gps/nmea.h"
#include "platform/serial_port.h"
#include "support/pseudo_terminal.h"

namespace orx {
namespace {

constexpr const char* kReference = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";

// `body` (without "$" and "*") as a sentence with its correct checksum.
std::string WithChecksum(const std::string& body) {
  char sum[4];
  std::snprintf(sum, sizeof sum, "%02X", NmeaChecksum("$" + body));
  return "$" + body + "*" + sum;
}

RmcDecoded Decode(const std::string& body) { return DecodeRmc(WithChecksum(body)); }

TEST(NmeaDecode, ReferenceSentence) {
  const RmcDecoded d = DecodeRmc(kReference);
  ASSERT_EQ(d.check, RmcCheck::kOk);
  EXPECT_EQ(d.status, kGpsValid);
  EXPECT_NEAR(d.latitude, 48.1173, 1e-9);
  EXPECT_NEAR(d.longitude, 11.516666666666667, 1e-9);
  EXPECT_DOUBLE_EQ(d.speed, 22.4);
  EXPECT_DOUBLE_EQ(d.course, 84.4);
}

TEST(NmeaDecode, HemispheresStatusAndEmptyFields) {
  RmcDecoded d = Decode("GNRMC,000000,A,3351.000,S,15112.600,W,0.0,359.9,,,");
  ASSERT_EQ(d.check, RmcCheck::kOk);
  EXPECT_NEAR(d.latitude, -33.85, 1e-9);
  EXPECT_NEAR(d.longitude, -151.21, 1e-9);
  EXPECT_DOUBLE_EQ(d.course, 359.9);

  // A receiver without a fix sends empty fields: not valid, everything reads as 0.
  d = Decode("GPRMC,,V,,,,,,,,,,N");
  ASSERT_EQ(d.check, RmcCheck::kOk);
  EXPECT_EQ(d.status, kGpsNotValid);
  EXPECT_EQ(d.latitude, 0);
  EXPECT_EQ(d.speed, 0);

  // Only a status beginning with "A" is valid; lower-case checksum digits are accepted.
  EXPECT_EQ(Decode("GPRMC,1,X,4807.038,N,01131.000,E,,,").status, kGpsNotValid);
  std::string lower = WithChecksum("GPRMC,2,A,0000.000,N,18000.000,W,1,2");
  for (size_t i = lower.size() - 2; i < lower.size(); ++i) lower[i] = static_cast<char>(std::tolower(lower[i]));
  ASSERT_NE(lower, WithChecksum("GPRMC,2,A,0000.000,N,18000.000,W,1,2"));
  EXPECT_EQ(DecodeRmc(lower).check, RmcCheck::kOk);
}

TEST(NmeaDecode, ChecksumFaults) {
  std::string wrong = kReference;
  wrong.back() = 'B';
  EXPECT_EQ(DecodeRmc(wrong).check, RmcCheck::kBadChecksum);
  const std::string ref = kReference;
  EXPECT_EQ(DecodeRmc(ref.substr(0, ref.size() - 3)).check, RmcCheck::kBadChecksum);  // no "*"
  EXPECT_EQ(DecodeRmc(ref.substr(0, ref.size() - 1)).check, RmcCheck::kBadChecksum);  // one digit
  EXPECT_EQ(DecodeRmc(ref + " ").check, RmcCheck::kBadChecksum);                      // trailing text
  EXPECT_EQ(DecodeRmc(ref.substr(0, ref.size() - 2) + "G1").check, RmcCheck::kBadChecksum);
  // A flipped digit in the position changes the sum.
  std::string flipped = kReference;
  flipped[17] = '9';
  EXPECT_EQ(DecodeRmc(flipped).check, RmcCheck::kBadChecksum);
}

TEST(NmeaDecode, MalformedFieldsAreRejectedEvenWithAGoodChecksum) {
  const char* bodies[] = {
      "GPRMC,1,A,4807.038,N,01131.000,E,022.4",            // course field missing
      "GPRMC,1,A,48x7.038,N,01131.000,E,1,2",              // letter in a number
      "GPRMC,1,A,-4807.038,N,01131.000,E,1,2",             // sign
      "GPRMC,1,A,4867.000,N,01131.000,E,1,2",              // 67 minutes
      "GPRMC,1,A,9100.000,N,01131.000,E,1,2",              // 91 degrees latitude
      "GPRMC,1,A,4807.038,N,18100.000,E,1,2",              // 181 degrees longitude
      "GPRMC,1,A,4807.038,Q,01131.000,E,1,2",              // hemisphere letter
      "GPRMC,1,A,4807.038,N,01131.000,N,1,2",              // latitude letter for longitude
      "GPRMC,1,A,4807.038,,01131.000,E,1,2",               // position without hemisphere
      "GPRMC,1,A,,,01131.000,E,1,2",                       // valid fix without latitude
      "GPRMC,1,A,4807.038,N,01131.000,E,123456789012345678901,2",  // overlong number
      "GPRMC,1,A,4807.038,N,01131.000,E,1,1e5",            // exponent
  };
  for (const char* body : bodies) EXPECT_EQ(Decode(body).check, RmcCheck::kMalformed) << body;
  EXPECT_EQ(DecodeRmc("$GPGGA,1,2,3*00").check, RmcCheck::kMalformed);  // not an RMC
}

TEST(NmeaDecode, ApplyKeepsPositionOnBadSentencesAndNeverLosesAnUpdate) {
  GpsFix fix;
  ApplyRmc(fix, DecodeRmc(kReference));
  EXPECT_EQ(fix.status, kGpsValid);
  EXPECT_EQ(fix.updated, 1);
  fix.updated = 0;

  std::string wrong = kReference;
  wrong.back() = '0';
  ApplyRmc(fix, DecodeRmc(wrong));
  EXPECT_EQ(fix.status, kGpsNoData);
  EXPECT_EQ(fix.updated, 1);  // valid -> no data is a change
  EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);
  EXPECT_DOUBLE_EQ(fix.speed, 22.4);

  // A second bad sentence changes nothing, but does not clear an unread update either.
  ApplyRmc(fix, DecodeRmc(wrong));
  EXPECT_EQ(fix.updated, 1);
  fix.updated = 0;
  ApplyRmc(fix, DecodeRmc(wrong));
  EXPECT_EQ(fix.updated, 0);

  const RmcDecoded notValid = Decode("GPRMC,,V,,,,,,,,,,N");
  ApplyRmc(fix, notValid);
  EXPECT_EQ(fix.status, kGpsNotValid);
  EXPECT_EQ(fix.updated, 1);
  fix.updated = 0;
  ApplyRmc(fix, notValid);
  EXPECT_EQ(fix.updated, 0);  // same status again
}

// The fuzz seeds and findings replay here: every fix they produce is a real position.
TEST(NmeaDecode, FuzzCorpusGivesOnlyRealPositions) {
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(ORRELUX_SOURCE_DIR) / "fuzz/corpus/nmea")) {
    std::ifstream in(e.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SentenceCutter cutter;
    GpsFix fix;
    for (char c : bytes) {
      if (cutter.Push(static_cast<uint8_t>(c)) != SentenceCutter::Event::kSentence) continue;
      if (ClassifySentence(cutter.sentence()) == SentenceKind::kRmc) ApplyRmc(fix, DecodeRmc(cutter.sentence()));
      EXPECT_LE(std::fabs(fix.latitude), 90) << e.path();
      EXPECT_LE(std::fabs(fix.longitude), 180) << e.path();
    }
    ++files;
  }
  EXPECT_GT(files, 0);
}

TEST(NmeaCutter, LinesCarriageReturnsAndOverflow) {
  SentenceCutter cutter;
  auto feed = [&](std::string_view bytes) {
    SentenceCutter::Event last = SentenceCutter::Event::kNone;
    for (char c : bytes) last = cutter.Push(static_cast<uint8_t>(c));
    return last;
  };
  EXPECT_EQ(feed("$GPGGA,1\r\n"), SentenceCutter::Event::kSentence);
  EXPECT_EQ(cutter.sentence(), "$GPGGA,1");
  EXPECT_EQ(feed("$GPGGA,2*7F\n"), SentenceCutter::Event::kSentence);  // no CR: nothing dropped
  EXPECT_EQ(cutter.sentence(), "$GPGGA,2*7F");
  EXPECT_EQ(feed("\n"), SentenceCutter::Event::kSentence);
  EXPECT_EQ(cutter.sentence(), "");
  EXPECT_EQ(feed(std::string(1, '\0') + "\r\r\n"), SentenceCutter::Event::kSentence);
  EXPECT_EQ(cutter.sentence(), std::string_view("\0\r", 2));

  const std::string full(499, 'x');
  EXPECT_EQ(feed(full + "\n"), SentenceCutter::Event::kSentence);
  EXPECT_EQ(cutter.sentence().size(), 499u);
  EXPECT_EQ(feed(full), SentenceCutter::Event::kNone);
  EXPECT_EQ(feed("y"), SentenceCutter::Event::kOverflow);
  EXPECT_EQ(feed("$A\n"), SentenceCutter::Event::kSentence);  // starts afresh
  EXPECT_EQ(cutter.sentence(), "$A");

  EXPECT_EQ(ClassifySentence("$GPRMC"), SentenceKind::kRmc);
  EXPECT_EQ(ClassifySentence("$GPRM"), SentenceKind::kMalformed);
  EXPECT_EQ(ClassifySentence("GPRMC,1,2"), SentenceKind::kMalformed);
  EXPECT_EQ(ClassifySentence("$GPGGA"), SentenceKind::kOther);
}

TEST(SerialDevices, StableOrderAndOverride) {
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "orx_gps_dev";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  for (const char* name : {"ttyS1", "ttyUSB10", "ttyS0", "rfcomm0", "ttyUSB2", "ttyACM0", "ttyUSBx", "tty1", "ttyS"}) {
    std::ofstream(dir / name).put('\n');
  }
  const auto devices = platform::ListSerialDevices(dir, nullptr);
  const std::vector<std::string> expected = {(dir / "ttyUSB2").string(), (dir / "ttyUSB10").string(),
                                             (dir / "ttyACM0").string(), (dir / "rfcomm0").string(),
                                             (dir / "ttyS0").string(),   (dir / "ttyS1").string()};
  EXPECT_EQ(devices, expected);
  EXPECT_EQ(platform::ListSerialDevices(dir, "/dev/a::/dev/b:"), (std::vector<std::string>{"/dev/a", "/dev/b"}));
  EXPECT_EQ(platform::ListSerialDevices(dir, ""), expected);
  std::filesystem::remove_all(dir);
}

using test::PseudoTerminal;
using test::WaitFor;

class GpsReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    InitGps(gps);
    EnableGpsStatus(gps, true);
  }
  // Waits for the status text `text` (or any new text when empty).
  bool WaitForStatus(const std::string& text = {}) {
    return WaitFor([&] {
      std::string got;
      TakeGpsStatus(gps, [&](std::string_view t) { got = t; });
      if (!got.empty()) last = got;
      return !got.empty() && (text.empty() || got == text);
    });
  }
  bool WaitForUpdate(GpsFix& fix) {
    return WaitFor([&] {
      GetGpsFix(gps, fix);
      return fix.updated != 0;
    });
  }

  PseudoTerminal pty;
  GpsState gps;
  std::string last;
};

TEST_F(GpsReaderTest, ReadsFixesAndOtherSentencesThroughThePort) {
  ASSERT_TRUE(OpenGpsPort(gps, pty.slave(), 4800));
  EXPECT_TRUE(GpsReaderRunning(gps));
  EXPECT_EQ(GetGpsReaderState(gps), kGpsReaderStarted);

  pty.Write("\x80\xff garbage\r\n");  // noise before the receiver settles
  ASSERT_TRUE(WaitForStatus("Error in GPS Sentence"));
  pty.Write(std::string(kReference) + "\r\n");
  ASSERT_TRUE(WaitForStatus(kReference));
  GpsFix fix;
  ASSERT_TRUE(WaitForUpdate(fix));
  EXPECT_EQ(fix.status, kGpsValid);
  EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);
  EXPECT_NEAR(fix.longitude, 11.516666666666667, 1e-9);
  EXPECT_EQ(GetGpsReaderState(gps), kGpsReaderReceiving);
  GetGpsFix(gps, fix);
  EXPECT_EQ(fix.updated, 0);  // cleared by the previous copy

  // Another sentence type is shown but leaves the fix alone.
  const std::string gga = WithChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
  pty.Write(gga + "\r\n");
  ASSERT_TRUE(WaitForStatus(gga));
  GetGpsFix(gps, fix);
  EXPECT_EQ(fix.updated, 0);
  EXPECT_EQ(fix.status, kGpsValid);

  // A corrupted fix: status 0, position kept.
  std::string wrong = kReference;
  wrong.back() = '0';
  pty.Write(wrong + "\r\n");
  ASSERT_TRUE(WaitForStatus(wrong));
  ASSERT_TRUE(WaitForUpdate(fix));
  EXPECT_EQ(fix.status, kGpsNoData);
  EXPECT_NEAR(fix.latitude, 48.1173, 1e-9);

  // Status texts posted while disabled are dropped; long sentences are cut to 199.
  // Bytes are handled in order: once the fix has changed, the GGA before it was seen.
  EnableGpsStatus(gps, false);
  pty.Write(gga + "\r\n" + kReference + "\r\n");
  ASSERT_TRUE(WaitForUpdate(fix));
  EXPECT_FALSE(TakeGpsStatus(gps, nullptr));
  EnableGpsStatus(gps, true);
  const std::string longLine = "$GPTXT," + std::string(300, 'a');
  pty.Write(longLine + "\r\n");
  ASSERT_TRUE(WaitForStatus());
  EXPECT_EQ(last, longLine.substr(0, kGpsStatusTextMax));

  const auto start = std::chrono::steady_clock::now();
  CloseGpsPort(gps);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kGpsThreadWaitMs));
  EXPECT_FALSE(GpsReaderRunning(gps));
  GetGpsFix(gps, fix);
  EXPECT_EQ(fix.status, kGpsNoData);
  EXPECT_EQ(fix.updated, 1);  // the loss is reported
}

TEST_F(GpsReaderTest, SilenceReportsNoDataAndTheReaderGoesOn) {
  gps.readTimeoutMs = 50;
  ASSERT_TRUE(OpenGpsPort(gps, pty.slave(), 4800));
  ASSERT_TRUE(WaitForStatus("No data received"));
  EXPECT_EQ(GetGpsReaderState(gps), kGpsReaderNoData);
  EXPECT_TRUE(GpsReaderRunning(gps));
  CloseGpsPort(gps);
}

TEST_F(GpsReaderTest, PortIndexFollowsTheDeviceOverride) {
  ::setenv(platform::kSerialDeviceVariable, ("/nonexistent/gps0:" + pty.slave()).c_str(), 1);
  EXPECT_FALSE(OpenGpsPortByIndex(gps, 0, 2));
  EXPECT_TRUE(WaitForStatus("Error opening GPS Port"));
  EXPECT_FALSE(OpenGpsPortByIndex(gps, 1, 10));  // no such rate
  EXPECT_TRUE(WaitForStatus("Error setting COMM state"));
  EXPECT_FALSE(OpenGpsPortByIndex(gps, 2, 2));  // no such device
  EXPECT_TRUE(OpenGpsPort(gps, "COM2", 14400));  // a rate outside the standard set
  EXPECT_TRUE(OpenGpsPortByIndex(gps, 1, 9));     // reopening closes first
  GpsFix fix;
  GetGpsFix(gps, fix);  // the first reader's end
  EXPECT_EQ(fix.updated, 1);
  pty.Write(std::string(kReference) + "\r\n");
  EXPECT_TRUE(WaitForUpdate(fix));
  EXPECT_EQ(fix.status, kGpsValid);
  ::unsetenv(platform::kSerialDeviceVariable);
  CloseGpsPort(gps);
}

TEST_F(GpsReaderTest, OpenFailuresAreReportedAsTexts) {
  EXPECT_FALSE(OpenGpsPort(gps, "/nonexistent/ttyUSB0", 4800));
  EXPECT_TRUE(WaitForStatus("Error opening GPS Port"));
  EXPECT_FALSE(OpenGpsPort(gps, "/dev/null", 4800));  // not a terminal
  EXPECT_TRUE(WaitForStatus("Error getting COMM state"));
  EXPECT_FALSE(OpenGpsPort(gps, pty.slave(), 0));
  EXPECT_TRUE(WaitForStatus("Error setting COMM state"));
  EXPECT_FALSE(OpenGpsPort(gps, "COM20", 4800));
  EXPECT_FALSE(GpsReaderRunning(gps));
  CloseGpsPort(gps);  // closes what a failed open left
}

TEST_F(GpsReaderTest, OverflowEndsTheReader) {
  ASSERT_TRUE(OpenGpsPort(gps, pty.slave(), 4800));
  pty.Write(std::string(kReference) + "\r\n");
  ASSERT_TRUE(WaitForStatus(kReference));
  GpsFix fix;
  pty.Write("$" + std::string(498, 'x') + "\n");  // 499 bytes: accepted
  ASSERT_TRUE(WaitForStatus());
  EXPECT_EQ(last.size(), kGpsStatusTextMax);
  pty.Write(std::string(500, 'y'));
  ASSERT_TRUE(WaitFor([&] { return !GpsReaderRunning(gps); }));
  EXPECT_EQ(GetGpsReaderState(gps), kGpsReaderOverflow);
  ASSERT_TRUE(WaitForStatus("Overflow in GPS Sentence"));
  GetGpsFix(gps, fix);
  EXPECT_EQ(fix.status, kGpsNoData);
  EXPECT_EQ(fix.updated, 1);
  CloseGpsPort(gps);
}

TEST_F(GpsReaderTest, VanishingDeviceEndsTheReader) {
  ASSERT_TRUE(OpenGpsPort(gps, pty.slave(), 4800));
  pty.Write(std::string(kReference) + "\r\n");
  GpsFix fix;
  ASSERT_TRUE(WaitForUpdate(fix));
  pty.CloseMaster();  // like a receiver unplugged
  ASSERT_TRUE(WaitFor([&] { return !GpsReaderRunning(gps); }));
  EXPECT_EQ(GetGpsReaderState(gps), kGpsReaderNoData);
  ASSERT_TRUE(WaitForStatus("Error reading GPS Port"));
  GetGpsFix(gps, fix);
  EXPECT_EQ(fix.status, kGpsNoData);
  CloseGpsPort(gps);
}

TEST_F(GpsReaderTest, ClosingFromTwoThreadsWhileReading) {
  ASSERT_TRUE(OpenGpsPort(gps, pty.slave(), 4800));  // default one-second read time-out
  std::thread other([&] { CloseGpsPort(gps); });
  CloseGpsPort(gps);
  other.join();
  EXPECT_FALSE(GpsReaderRunning(gps));
  ShutdownGps(gps);
}

}  // namespace
}  // namespace orx
