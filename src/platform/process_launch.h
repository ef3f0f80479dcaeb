// Starting a helper program that outlives the caller: a detached process in its own
// session, with standard input and output on /dev/null, never waited for.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orx::platform {

// Starts `program` with `args` (not including the program name) detached from the
// caller; true when the process was started.
bool StartDetachedProcess(const std::filesystem::path& program, const std::vector<std::string>& args);

// Waits at most `timeoutMs` until something accepts TCP connections at 127.0.0.1:port.
bool WaitForLoopbackPort(int port, int timeoutMs);

}  // namespace orx::platform
