#pragma once

#include <string>

namespace kerbcall::win32_tests {

// Writes the whole screen as a 24-bit BMP file, creating its folder.
void SaveScreenshot(const std::string& path);

}  // namespace kerbcall::win32_tests
