// The program's texts are Windows-1252; file names, the settings file and SDL text are
// UTF-8. These convert at the edges.
#pragma once

#include <string>
#include <string_view>

namespace orx::platform {

// Characters without a Windows-1252 code are dropped; invalid UTF-8 bytes too.
std::string Utf8ToCp1252(std::string_view utf8);
std::string Cp1252ToUtf8(std::string_view cp1252);

}  // namespace orx::platform
