// The about window: the program's version and the maker's contact labels.
// Shown as a self-closing splash at start-up (no Close button; it goes after
// two seconds, at any key or a click on the picture) and from Help > About
// (with Close, no timer).
#pragma once

#include <windows.h>

namespace ps {

inline constexpr const char* kMakerWebAddress = "https://quillmere.example/plansweeper";
inline constexpr const char* kMakerEmail = "plansweeper@quillmere.example";

enum class AboutMode { Splash, OnRequest };

void ShowAboutWindow(HWND owner, AboutMode mode);

} // namespace ps
