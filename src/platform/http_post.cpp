#include "platform/http_post.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <cerrno>
#include <cstdio>

namespace orx::platform {
namespace {

// libcurl is loaded when the first request is made, not at program start: with its own
// libraries it would make up a third of the start-up of every one-shot command.
struct Curl {
  CURLcode (*global_init)(long);
  CURL* (*easy_init)();
  CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
  CURLcode (*easy_perform)(CURL*);
  CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
  void (*easy_cleanup)(CURL*);
  curl_slist* (*slist_append)(curl_slist*, const char*);
  void (*slist_free_all)(curl_slist*);
  CURLU* (*url)();
  CURLUcode (*url_set)(CURLU*, CURLUPart, const char*, unsigned int);
  CURLUcode (*url_get)(const CURLU*, CURLUPart, char**, unsigned int);
  void (*url_cleanup)(CURLU*);
  void (*free)(void*);
};

template <class F>
bool Bind(void* library, const char* name, F& function) {
  function = reinterpret_cast<F>(::dlsym(library, name));
  return function != nullptr;
}

// Says on stderr why libcurl cannot be used (the callers only see requests that cannot be
// sent) and lets go of a library that was opened.
const Curl* Unavailable(void* library, const char* reason) {
  std::fprintf(stderr, "%s: no HTTP requests can be made: %s\n", program_invocation_short_name,
               reason ? reason : "libcurl.so.4 cannot be used");
  if (library) ::dlclose(library);
  return nullptr;
}

// The loaded and initialised library, or null when it is not installed (or too old). It
// stays loaded for the rest of the process.
const Curl* LoadCurl() {
  static const Curl* loaded = []() -> const Curl* {
    void* lib = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return Unavailable(nullptr, ::dlerror());
    static Curl c;
    const bool ok = Bind(lib, "curl_global_init", c.global_init) && Bind(lib, "curl_easy_init", c.easy_init) &&
                    Bind(lib, "curl_easy_setopt", c.easy_setopt) && Bind(lib, "curl_easy_perform", c.easy_perform) &&
                    Bind(lib, "curl_easy_getinfo", c.easy_getinfo) &&
                    Bind(lib, "curl_easy_cleanup", c.easy_cleanup) &&
                    Bind(lib, "curl_slist_append", c.slist_append) &&
                    Bind(lib, "curl_slist_free_all", c.slist_free_all) && Bind(lib, "curl_url", c.url) &&
                    Bind(lib, "curl_url_set", c.url_set) && Bind(lib, "curl_url_get", c.url_get) &&
                    Bind(lib, "curl_url_cleanup", c.url_cleanup) && Bind(lib, "curl_free", c.free);
    if (!ok) return Unavailable(lib, ::dlerror());
    if (c.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return Unavailable(lib, "curl_global_init failed");
    return &c;
  }();
  return loaded;
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

HttpStatus Run(const Curl& lib, CURL* curl, Transfer& t) {
  lib.easy_setopt(curl, CURLOPT_USERAGENT, "Orrelux");
  lib.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  lib.easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, t.limits->connectTimeoutMs);
  lib.easy_setopt(curl, CURLOPT_TIMEOUT_MS, t.limits->transferTimeoutMs);
  lib.easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  lib.easy_setopt(curl, CURLOPT_WRITEFUNCTION, Write);
  lib.easy_setopt(curl, CURLOPT_WRITEDATA, &t);
  lib.easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
  lib.easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
  lib.easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  const CURLcode rc = lib.easy_perform(curl);
  if (rc == CURLE_OK) return HttpStatus::kOk;
  if (t.tooLarge) return HttpStatus::kTooLarge;
  if (t.limits->cancel && t.limits->cancel->load()) return HttpStatus::kCancelled;
  if (t.stopped) return HttpStatus::kReadFailed;
  long code = 0;
  lib.easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
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
  const Curl* lib = LoadCurl();
  if (!lib) return false;
  CURLU* u = lib->url();
  if (!u) return false;
  bool ok = lib->url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
  char* scheme = nullptr;
  char* host = nullptr;
  if (ok && lib->url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
      lib->url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
    const std::string s = scheme;
    ok = (s == "http" || s == "https") && host[0] != '\0';
  } else {
    ok = false;
  }
  lib->free(scheme);
  lib->free(host);
  lib->url_cleanup(u);
  return ok;
}

HttpStatus HttpPostForm(const std::string& url, std::string_view body,
                        const std::function<bool(std::string_view)>& onPiece, const HttpLimits& limits) {
  const Curl* lib = LoadCurl();
  if (!lib) return HttpStatus::kSendFailed;  // libcurl is not installed
  if (!IsHttpUrl(url)) return HttpStatus::kInvalidUrl;
  CURL* curl = lib->easy_init();
  if (!curl) return HttpStatus::kSendFailed;
  curl_slist* headers = lib->slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded");
  headers = lib->slist_append(headers, "Expect:");  // send the body at once, as one request
  lib->easy_setopt(curl, CURLOPT_URL, url.c_str());
  lib->easy_setopt(curl, CURLOPT_POST, 1L);
  lib->easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  lib->easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  lib->easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  Transfer t;
  t.onPiece = &onPiece;
  t.limits = &limits;
  const HttpStatus status = Run(*lib, curl, t);
  lib->easy_cleanup(curl);
  lib->slist_free_all(headers);
  return status;
}

HttpStatus HttpGet(const std::string& url, std::string& answer, long& httpCode, const HttpLimits& limits) {
  answer.clear();
  httpCode = 0;
  const Curl* lib = LoadCurl();
  if (!lib) return HttpStatus::kSendFailed;  // libcurl is not installed
  if (!IsHttpUrl(url)) return HttpStatus::kInvalidUrl;
  CURL* curl = lib->easy_init();
  if (!curl) return HttpStatus::kSendFailed;
  lib->easy_setopt(curl, CURLOPT_URL, url.c_str());
  lib->easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
  Transfer t;
  t.whole = &answer;
  t.limits = &limits;
  const HttpStatus status = Run(*lib, curl, t);
  lib->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &httpCode);
  lib->easy_cleanup(curl);
  return status;
}

}  // namespace orx::platform
