// Feeds arbitrary bytes to the sentence cutter and the RMC decoder as the reader thread
// does, once as a serial line's bytes and once as gpsd's replies (its JSON lines mixed
// with the receiver's sentences), and the whole input as one sentence: nothing may
// crash, a published fix must always be a real position, and no gpsd reply line may
// reach the cutter.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "gps/nmea.h"

namespace {

void CheckFix(const orx::GpsFix& fix) {
  if (fix.status < orx::kGpsNoData || fix.status > orx::kGpsValid) std::abort();
  if (!std::isfinite(fix.latitude) || !std::isfinite(fix.longitude) || !std::isfinite(fix.speed) ||
      !std::isfinite(fix.course) || std::fabs(fix.latitude) > 90 || std::fabs(fix.longitude) > 180 ||
      fix.speed < 0 || fix.course < 0) {
    std::abort();
  }
}

void CheckDecoded(std::string_view sentence, const orx::RmcDecoded& d) {
  if (d.check != orx::RmcCheck::kOk) return;
  // A good sentence carries its own checksum in its last two characters.
  if (sentence.size() < 9 || sentence[sentence.size() - 3] != '*') std::abort();
  // Fields 3..6 as the sentence has them: a valid fix names its position and the sign
  // follows the hemisphere letter.
  std::string_view fields[7];
  std::string_view rest = sentence.substr(0, sentence.size() - 3);
  for (auto& field : fields) {
    const size_t comma = rest.find(',');
    if (comma == std::string_view::npos) std::abort();  // fewer than nine fields
    field = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
  }
  if (d.status == orx::kGpsValid && (fields[3].empty() || fields[5].empty())) std::abort();
  if ((d.latitude < 0 && fields[4] != "S") || (d.latitude > 0 && fields[4] != "N")) std::abort();
  if ((d.longitude < 0 && fields[6] != "W") || (d.longitude > 0 && fields[6] != "E")) std::abort();
}

// The reader's loop over `data`; with `fromGpsd` the bytes pass gpsd's reply filter first.
void Read(const uint8_t* data, size_t size, bool fromGpsd) {
  orx::GpsFix fix;
  orx::SentenceCutter cutter;
  orx::GpsdReplyFilter replies;
  bool lineStart = true, inReply = false;  // where the raw stream stands
  for (size_t i = 0; i < size; ++i) {
    if (lineStart && data[i] == '{') inReply = true;
    lineStart = data[i] == '\n';
    const bool reply = inReply;
    if (data[i] == '\n') inReply = false;
    if (fromGpsd) {
      const bool passed = replies.Pass(data[i]);
      if (passed == reply) std::abort();  // a reply byte passed on, or a sentence byte dropped
      if (!passed) continue;
    }
    if (cutter.Push(data[i]) != orx::SentenceCutter::Event::kSentence) continue;
    const std::string_view sentence = cutter.sentence();
    if (sentence.size() >= orx::SentenceCutter::kCapacity) std::abort();
    if (orx::ClassifySentence(sentence) != orx::SentenceKind::kRmc) continue;
    const orx::RmcDecoded decoded = orx::DecodeRmc(sentence);
    CheckDecoded(sentence, decoded);
    orx::ApplyRmc(fix, decoded);
    CheckFix(fix);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Read(data, size, false);
  Read(data, size, true);
  orx::GpsFix fix;
  const std::string_view whole(reinterpret_cast<const char*>(data), size);
  const orx::RmcDecoded decoded = orx::DecodeRmc(whole);
  CheckDecoded(whole, decoded);
  orx::ApplyRmc(fix, decoded);
  CheckFix(fix);
  return 0;
}
