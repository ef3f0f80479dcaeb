// A stand-in for the forecast API on a loopback port, for the end-to-end tests: prints
// "PORT FREE" (its own port and another free loopback port) and serves until it is sent
// SIGTERM or its standard input closes.
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "support/weather_servers.h"

int main() {
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  orx::testing::ForecastStandin forecast;
  if (forecast.port() <= 0) return 1;
  std::printf("%d %d\n", forecast.port(), orx::testing::FreeLoopbackPort());
  std::fflush(stdout);
  int sig = 0;
  sigwait(&stop, &sig);
  std::fprintf(stderr, "forecast stand-in: %d requests, last %s\n", forecast.requests(), forecast.lastQuery().c_str());
  return 0;
}
