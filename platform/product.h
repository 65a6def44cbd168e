#pragma once
// What the program says about itself wherever it names itself: window, about box, requests.

namespace varlo {

// The program's home page: the Help menu, the about box and the request's User-Agent name it.
inline constexpr const char* kHomePageAddress = "https://varlo.example.org/";

// The program's version, set once by the build ("1.1.0").
inline constexpr const char* kVersion = VARLO_VERSION;

// The User-Agent of every request: the "Mozilla/4.0" form servers expect, naming Varlo, its
// version and its home page inside it.
inline constexpr const char* kUserAgent =
    "Mozilla/4.0 (compatible; Varlo/" VARLO_VERSION "; +https://varlo.example.org/)";

}  // namespace varlo
