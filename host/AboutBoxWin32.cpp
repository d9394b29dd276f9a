// SPDX-License-Identifier: MIT
// The about box of a build without the Qt windows: the product's name and
// version in a system message box.
#include <windows.h>

#include <string>

#include "host/AboutBox.h"
#include "util/LoadString.h"

namespace nelvo {
namespace {

constexpr std::uint32_t kVersionText = 1136;

}  // namespace

void showAboutBox() {
    const std::wstring text = L"Nelvo\n" + loadString(kVersionText);
    MessageBoxW(nullptr, text.c_str(), L"Nelvo", MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
}

}  // namespace nelvo
