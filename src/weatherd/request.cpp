#include "weatherd/service.h"

namespace orx::weatherd {
namespace {

constexpr std::string_view kKeys[] = {"action", "country", "showname", "color", "deg_f", "list"};

// The length of "key=" when `text` starts with a key of the service's bodies, else 0.
size_t KeyAt(std::string_view text) {
  for (std::string_view key : kKeys) {
    if (text.size() > key.size() && text.starts_with(key) && text[key.size()] == '=') return key.size() + 1;
  }
  return 0;
}

}  // namespace

bool ParseServiceRequest(std::string_view body, ServiceRequest& out) {
  out = ServiceRequest();
  std::string_view action;
  size_t at = 0;
  while (at < body.size()) {
    const size_t keyLength = KeyAt(body.substr(at));
    if (keyLength == 0) {
      // Not a field of ours: skip to the next "&".
      const size_t amp = body.find('&', at);
      if (amp == std::string_view::npos) break;
      at = amp + 1;
      continue;
    }
    const std::string_view key = body.substr(at, keyLength - 1);
    size_t valueStart = at + keyLength;
    size_t end;
    if (key == "list") {
      end = body.size();  // the list is the rest of the body
    } else {
      // Values are not encoded, so an "&" ends a value only when a known key follows.
      end = valueStart;
      while ((end = body.find('&', end)) != std::string_view::npos && KeyAt(body.substr(end + 1)) == 0) ++end;
      if (end == std::string_view::npos) end = body.size();
    }
    const std::string_view value = body.substr(valueStart, end - valueStart);
    if (key == "action") {
      action = value;
    } else if (key == "country") {
      out.country = std::string(value);
    } else if (key == "showname") {
      out.showName = value == "true";
    } else if (key == "deg_f") {
      out.fahrenheit = value == "true";
    } else if (key == "list") {
      size_t p = 0;
      while (p <= value.size()) {
        size_t bar = value.find('|', p);
        if (bar == std::string_view::npos) bar = value.size();
        const std::string_view entry = value.substr(p, bar - p);
        const size_t tilde = entry.find('~');
        if (!entry.empty() && tilde != std::string_view::npos) {
          if (out.places.size() >= kMaxRequestPlaces) {
            out.tooManyPlaces = true;
            break;
          }
          out.places.emplace_back(std::string(entry.substr(0, tilde)), std::string(entry.substr(tilde + 1)));
        }
        p = bar + 1;
      }
    }
    at = end + 1;
  }
  if (action == "getcities") out.action = ServiceRequest::Action::kGetCities;
  if (action == "getweather") out.action = ServiceRequest::Action::kGetWeather;
  return out.action != ServiceRequest::Action::kUnknown;
}

}  // namespace orx::weatherd
