// NMEA 0183 input: cutting the receiver's byte stream into sentences, and decoding the
// recommended-minimum sentence ("RMC") into a position fix. Everything here treats its
// input as untrusted: any byte sequence gives a defined result.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orx {

// The shared latest fix of the GPS receiver.
struct GpsFix {
  double latitude = 0;   // degrees, north positive, -90..90
  double longitude = 0;  // degrees, east positive, -180..180
  double speed = 0;      // speed over ground as the sentence gives it (knots)
  double course = 0;     // course over ground as the sentence gives it (degrees true)
  int32_t updated = 0;   // set when something changed, cleared by every `get GPS fix`
  int32_t status = 0;    // one of GpsFixStatus
};

enum GpsFixStatus : int32_t {
  kGpsNoData = 0,    // nothing usable yet, a corrupted sentence, or the reader ended
  kGpsNotValid = 1,  // the receiver reports no valid fix ("V")
  kGpsValid = 2,     // valid fix ("A")
};

// Cuts a byte stream into sentences at line feeds. A sentence holds at most 499 bytes;
// a carriage return before the line feed is dropped.
class SentenceCutter {
 public:
  static constexpr size_t kCapacity = 500;  // bytes, including the dropped carriage return

  enum class Event { kNone, kSentence, kOverflow };

  // Takes the next byte. kSentence: sentence() holds the line just ended. kOverflow: the
  // 500th byte arrived without a line feed; the buffer has been emptied.
  Event Push(uint8_t byte);
  // The last completed sentence; valid until the next Push.
  std::string_view sentence() const { return {buffer_.data(), sentenceLength_}; }

 private:
  std::array<char, kCapacity> buffer_{};
  size_t length_ = 0;
  size_t sentenceLength_ = 0;
};

// The gpsd service's replies to a watch for NMEA: its own JSON objects, one per line
// beginning with "{", are skipped whole whatever their length; every other line (the
// receiver's sentences) passes on to the SentenceCutter.
class GpsdReplyFilter {
 public:
  // True when `byte` belongs to a receiver's line.
  bool Pass(uint8_t byte);

 private:
  bool lineStart_ = true;
  bool inReply_ = false;
};

enum class SentenceKind {
  kMalformed,  // shorter than 6 characters or not starting with "$"
  kRmc,        // "$" + two-letter talker + "RMC"
  kOther,      // any other well-formed sentence
};

SentenceKind ClassifySentence(std::string_view sentence);

// XOR of the characters after the leading "$" up to, not including, the "*" (or the end).
uint8_t NmeaChecksum(std::string_view sentence);

enum class RmcCheck {
  kOk,
  kBadChecksum,  // no "*" followed by exactly two hexadecimal digits, or a different sum
  kMalformed,    // too few fields, a field that is not a number, a wrong hemisphere
                 // letter, a position out of range, or a valid fix without a position
};

// What an RMC sentence says; the values are meaningful only when `check` is kOk.
struct RmcDecoded {
  RmcCheck check = RmcCheck::kMalformed;
  int32_t status = kGpsNotValid;  // kGpsValid when the status field begins with "A"
  double latitude = 0;            // degrees; an empty field reads as 0
  double longitude = 0;
  double speed = 0;
  double course = 0;
};

// Decodes a sentence of kind kRmc (other text is reported malformed).
RmcDecoded DecodeRmc(std::string_view sentence);

// Publishes a decoded sentence into `fix`: a good one replaces position, speed, course and
// status; a bad one only sets the status to kGpsNoData, keeping the last position. The
// updated flag is set when the result is a valid fix or the status changed, and is never
// cleared here.
void ApplyRmc(GpsFix& fix, const RmcDecoded& decoded);

}  // namespace orx
