#pragma once
// The main window's placement as stored in the settings: "Rect" holds eight integers, the normal
// rectangle (left, top, right, bottom), the minimised position and the maximised position.

#include <optional>
#include <string>

namespace varlo {

struct WindowPlacement {
    int left = 100, top = 100, right = 700, bottom = 500;
    int minX = 0, minY = 0;
    int maxX = -1, maxY = -1;
    int showCmd = 1;  // 1 normal, 2 minimised, 3 maximised
    int flags = 0;
};

// Show states as stored.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;

// The "Rect" text: "%d,%d,%d,%d,%d,%d,%d,%d".
std::string FormatRect(const WindowPlacement& placement);
// Reads a "Rect" text into the placement; nullopt (placement unchanged) unless it holds eight
// integers.
std::optional<WindowPlacement> ParseRect(const std::string& text, WindowPlacement base);

// The placement of a first start (nothing saved): two thirds of the work area in each direction,
// centred in it, so that today's large screens do not get a postage stamp. An area too small to
// tell (zero or negative) gives the classic 600 by 400 at (100, 100).
WindowPlacement FirstStartPlacement(int areaLeft, int areaTop, int areaWidth, int areaHeight);

// Heights in pixels of the site list and the article list, as kept in the settings.
struct PaneHeights {
    int siteList = 60;
    int articleList = 60;
};

// The height a list pane needs to show `rows` whole rows of `rowHeight` pixels below `chrome`
// pixels of heading and borders, with a few pixels to spare so that rounding never hides one.
int ListPaneHeight(int rows, int rowHeight, int chrome);

// The stored heights fitted to a client area `available` pixels high: a height that is missing
// (nullopt) takes the one of `fallback`, and each is clamped so that every one of the three panes
// keeps at least `minimum` pixels.
PaneHeights ClampPaneHeights(std::optional<int> siteList, std::optional<int> articleList,
                             int available, PaneHeights fallback = {}, int minimum = 20);

}  // namespace varlo
