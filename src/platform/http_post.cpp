#include "platform/http_post.h"

#include <curl/curl.h>

#include <mutex>

namespace orx::platform {
namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  const std::function<bool(std::string_view)>* onPiece = nullptr;
  std::string* whole = nullptr;
  size_t received = 0;
  const HttpLimits* limits = nullptr;
  bool tooLarge = false;
  bool stopped = false;
};

size_t Write(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  if (t->received + n > t->limits->maxAnswerBytes) {
    t->tooLarge = true;
    return 0;
  }
  t->received += n;
  if (t->whole) {
    t->whole->append(data, n);
    return n;
  }
  for (size_t at = 0; at < n; at += kHttpPieceBytes) {
    const size_t len = std::min(kHttpPieceBytes, n - at);
    if (!(*t->onPiece)(std::string_view(data + at, len))) {
      t->stopped = true;
      return 0;
    }
  }
  return n;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* t = static_cast<Transfer*>(user);
  return t->limits->cancel && t->limits->cancel->load() ? 1 : 0;
}

HttpStatus Run(CURL* curl, Transfer& t) {
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Orrelux");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, t.limits->connectTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, t.limits->transferTimeoutMs);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Write);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  const CURLcode rc = curl_easy_perform(curl);
  if (rc == CURLE_OK) return HttpStatus::kOk;
  if (t.tooLarge) return HttpStatus::kTooLarge;
  if (t.limits->cancel && t.limits->cancel->load()) return HttpStatus::kCancelled;
  if (t.stopped) return HttpStatus::kReadFailed;
  long code = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
  if (code != 0) return HttpStatus::kReadFailed;  // an answer had begun
  switch (rc) {
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL: return HttpStatus::kInvalidUrl;
    case CURLE_COULDNT_CONNECT: return HttpStatus::kNoConnection;
    default: return HttpStatus::kSendFailed;
  }
}

}  // namespace

bool IsHttpUrl(const std::string& url) {
  CURLU* u = curl_url();
  if (!u) return false;
  bool ok = curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
  char* scheme = nullptr;
  char* host = nullptr;
  if (ok && curl_url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
      curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
    const std::string s = scheme;
    ok = (s == "http" || s == "https") && host[0] != '\0';
  } else {
    ok = false;
  }
  curl_free(scheme);
  curl_free(host);
  curl_url_cleanup(u);
  return ok;
}

HttpStatus HttpPostForm(const std::string& url, std::string_view body,
                        const std::function<bool(std::string_view)>& onPiece, const HttpLimits& limits) {
  if (!IsHttpUrl(url)) return HttpStatus::kInvalidUrl;
  GlobalInit();
  CURL* curl = curl_easy_init();
  if (!curl) return HttpStatus::kSendFailed;
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded");
  headers = curl_slist_append(headers, "Expect:");  // send the body at once, as one request
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  Transfer t;
  t.onPiece = &onPiece;
  t.limits = &limits;
  const HttpStatus status = Run(curl, t);
  curl_easy_cleanup(curl);
  curl_slist_free_all(headers);
  return status;
}

HttpStatus HttpGet(const std::string& url, std::string& answer, long& httpCode, const HttpLimits& limits) {
  answer.clear();
  httpCode = 0;
  if (!IsHttpUrl(url)) return HttpStatus::kInvalidUrl;
  GlobalInit();
  CURL* curl = curl_easy_init();
  if (!curl) return HttpStatus::kSendFailed;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  Transfer t;
  t.whole = &answer;
  t.limits = &limits;
  const HttpStatus status = Run(curl, t);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &httpCode);
  curl_easy_cleanup(curl);
  return status;
}

}  // namespace orx::platform
