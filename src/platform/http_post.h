// HTTP over libcurl (loaded at the first request): one form POST whose answer is handed
// over in pieces of at most 500 bytes, and one GET whose whole answer is returned; both
// with a connect time-out, a transfer time-out, an answer size limit and a cancel flag,
// so that a hung server never holds a worker for ever. Without libcurl, requests fail
// with kSendFailed, IsHttpUrl is false, and the reason is said once on stderr.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace orx::platform {

inline constexpr size_t kHttpPieceBytes = 500;

struct HttpLimits {
  long connectTimeoutMs = 10000;
  long transferTimeoutMs = 30000;
  size_t maxAnswerBytes = 1u << 20;
  const std::atomic<bool>* cancel = nullptr;  // set = give up as soon as possible
};

enum class HttpStatus {
  kOk,
  kInvalidUrl,     // not an http:// or https:// address with a host
  kNoConnection,   // nothing listens at the address (connection refused)
  kSendFailed,     // the request could not be sent, or no answer came in time
  kReadFailed,     // the answer broke off, took too long, or the receiver stopped
  kTooLarge,       // the answer exceeded maxAnswerBytes
  kCancelled,
};

// Posts `body` to `url` as "application/x-www-form-urlencoded" (agent "Orrelux") and
// calls `onPiece` with each piece of the answer's body, at most kHttpPieceBytes long, in
// order; `onPiece` returns false to stop reading (then kReadFailed). The answer is read
// whatever its HTTP status, as the weather service's clients expect.
HttpStatus HttpPostForm(const std::string& url, std::string_view body,
                        const std::function<bool(std::string_view piece)>& onPiece, const HttpLimits& limits = {});

// GETs `url`; the body in `answer` and the HTTP status code in `httpCode`.
HttpStatus HttpGet(const std::string& url, std::string& answer, long& httpCode, const HttpLimits& limits = {});

// Whether `url` parses as an http:// or https:// address with a host.
bool IsHttpUrl(const std::string& url);

}  // namespace orx::platform
