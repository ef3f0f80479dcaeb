#include "gps/nmea.h"

#include <charconv>
#include <cmath>

namespace orx {
namespace {

// RMC fields used: 0 identifier, 1 UTC time, 2 status, 3 latitude, 4 N/S, 5 longitude,
// 6 E/W, 7 speed, 8 course. Later fields (date, magnetic variation) are not read.
constexpr size_t kRmcFieldsNeeded = 9;
constexpr size_t kMaxFields = 32;
constexpr size_t kMaxNumberLength = 20;  // longer digit strings are not a receiver's

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// An unsigned decimal number "ddd", "ddd.ddd" or ".ddd"; an empty field reads as 0.
bool ReadNumber(std::string_view field, double& value) {
  value = 0;
  if (field.empty()) return true;
  if (field.size() > kMaxNumberLength) return false;
  size_t digits = 0;
  size_t points = 0;
  for (char c : field) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c == '.') {
      ++points;
    } else {
      return false;
    }
  }
  if (digits == 0 || points > 1) return false;
  // from_chars wants a digit before the point.
  char text[kMaxNumberLength + 2];
  size_t n = 0;
  if (field.front() == '.') text[n++] = '0';
  for (char c : field) text[n++] = c;
  const auto [end, error] = std::from_chars(text, text + n, value, std::chars_format::fixed);
  return error == std::errc() && end == text + n && std::isfinite(value);
}

// "ddmm.mmmm" (or "dddmm.mmmm") to degrees, checking the minutes and the range.
bool ReadAngle(std::string_view field, double maxDegrees, double& degrees) {
  double x = 0;
  if (!ReadNumber(field, x)) return false;
  const double whole = std::floor(x * 0.01);
  const double minutes = x - whole * 100;
  if (minutes < 0 || minutes >= 60) return false;
  degrees = whole + minutes / 60;
  return degrees <= maxDegrees;
}

// The hemisphere letter: `negative` or `positive`, or nothing when the value is empty.
bool ReadHemisphere(std::string_view field, bool valueEmpty, char positive, char negative, bool& south) {
  south = false;
  if (field.empty()) return valueEmpty;
  if (field.size() != 1) return false;
  if (field[0] == negative) {
    south = true;
    return true;
  }
  return field[0] == positive;
}

}  // namespace

SentenceCutter::Event SentenceCutter::Push(uint8_t byte) {
  if (byte == '\n') {
    size_t length = length_;
    if (length > 0 && buffer_[length - 1] == '\r') --length;
    sentenceLength_ = length;
    length_ = 0;
    return Event::kSentence;
  }
  buffer_[length_++] = static_cast<char>(byte);
  if (length_ == kCapacity) {
    length_ = 0;
    sentenceLength_ = 0;
    return Event::kOverflow;
  }
  return Event::kNone;
}

bool GpsdReplyFilter::Pass(uint8_t byte) {
  if (lineStart_ && byte == '{') inReply_ = true;
  lineStart_ = byte == '\n';
  if (!inReply_) return true;
  if (byte == '\n') inReply_ = false;
  return false;
}

SentenceKind ClassifySentence(std::string_view sentence) {
  if (sentence.size() < 6 || sentence[0] != '$') return SentenceKind::kMalformed;
  return sentence.substr(3, 3) == "RMC" ? SentenceKind::kRmc : SentenceKind::kOther;
}

uint8_t NmeaChecksum(std::string_view sentence) {
  uint8_t sum = 0;
  for (size_t i = 1; i < sentence.size() && sentence[i] != '*'; ++i) sum ^= static_cast<uint8_t>(sentence[i]);
  return sum;
}

RmcDecoded DecodeRmc(std::string_view sentence) {
  RmcDecoded out;
  if (ClassifySentence(sentence) != SentenceKind::kRmc) return out;

  const size_t star = sentence.find('*');
  if (star == std::string_view::npos || sentence.size() != star + 3) {
    out.check = RmcCheck::kBadChecksum;
    return out;
  }
  const int high = HexValue(sentence[star + 1]);
  const int low = HexValue(sentence[star + 2]);
  if (high < 0 || low < 0 || NmeaChecksum(sentence) != static_cast<uint8_t>(high * 16 + low)) {
    out.check = RmcCheck::kBadChecksum;
    return out;
  }

  std::string_view fields[kMaxFields];
  size_t count = 0;
  std::string_view body = sentence.substr(0, star);
  while (count < kMaxFields) {
    const size_t comma = body.find(',');
    fields[count++] = body.substr(0, comma);
    if (comma == std::string_view::npos) break;
    body.remove_prefix(comma + 1);
  }
  if (count < kRmcFieldsNeeded) return out;  // kMalformed

  out.status = !fields[2].empty() && fields[2][0] == 'A' ? kGpsValid : kGpsNotValid;
  bool south = false;
  bool west = false;
  if (!ReadAngle(fields[3], 90, out.latitude) || !ReadHemisphere(fields[4], fields[3].empty(), 'N', 'S', south) ||
      !ReadAngle(fields[5], 180, out.longitude) || !ReadHemisphere(fields[6], fields[5].empty(), 'E', 'W', west) ||
      !ReadNumber(fields[7], out.speed) || !ReadNumber(fields[8], out.course)) {
    out = RmcDecoded{};
    return out;
  }
  // A receiver that claims a valid fix always sends its position.
  if (out.status == kGpsValid && (fields[3].empty() || fields[5].empty())) {
    out = RmcDecoded{};
    return out;
  }
  if (south) out.latitude = -out.latitude;
  if (west) out.longitude = -out.longitude;
  out.check = RmcCheck::kOk;
  return out;
}

void ApplyRmc(GpsFix& fix, const RmcDecoded& decoded) {
  const int32_t status = decoded.check == RmcCheck::kOk ? decoded.status : kGpsNoData;
  const bool changed = status == kGpsValid || status != fix.status;
  if (decoded.check == RmcCheck::kOk) {
    fix.latitude = decoded.latitude;
    fix.longitude = decoded.longitude;
    fix.speed = decoded.speed;
    fix.course = decoded.course;
  }
  fix.status = status;
  if (changed) fix.updated = 1;
}

}  // namespace orx
