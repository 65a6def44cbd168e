#pragma once
// What the program says about itself wherever it names itself: window, about box, requests.

namespace varlo {

// The program's home page: the Help menu, the about box and the request's User-Agent name it.
inline constexpr const char* kHomePageAddress = "https://varlo.example.org/";

}  // namespace varlo
