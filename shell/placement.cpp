#include "shell/placement.h"

#include <algorithm>
#include <cstdio>

namespace varlo {

std::string FormatRect(const WindowPlacement& p) {
    char text[128];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d,%d,%d,%d,%d", p.left, p.top, p.right, p.bottom,
                  p.minX, p.minY, p.maxX, p.maxY);
    return text;
}

std::optional<WindowPlacement> ParseRect(const std::string& text, WindowPlacement base) {
    WindowPlacement p = base;
    // A value with fewer than eight integers would leave fields unset: it counts as missing.
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d,%d,%d,%d,%d", &p.left, &p.top, &p.right, &p.bottom,
                    &p.minX, &p.minY, &p.maxX, &p.maxY) != 8) {
        return std::nullopt;
    }
    return p;
}

WindowPlacement FirstStartPlacement(int areaLeft, int areaTop, int areaWidth, int areaHeight) {
    WindowPlacement p;
    if (areaWidth <= 0 || areaHeight <= 0) return p;
    const int width = areaWidth * 2 / 3;
    const int height = areaHeight * 2 / 3;
    p.left = areaLeft + (areaWidth - width) / 2;
    p.top = areaTop + (areaHeight - height) / 2;
    p.right = p.left + width;
    p.bottom = p.top + height;
    return p;
}

int ListPaneHeight(int rows, int rowHeight, int chrome) {
    return std::max(0, chrome) + std::max(0, rows) * std::max(1, rowHeight) + 4;
}

PaneHeights ClampPaneHeights(std::optional<int> siteList, std::optional<int> articleList,
                             int available, PaneHeights fallback, int minimum) {
    PaneHeights heights{siteList.value_or(fallback.siteList),
                        articleList.value_or(fallback.articleList)};
    // A window too small for three panes of `minimum` shares what it has.
    minimum = std::max(1, std::min(minimum, available / 3));
    heights.siteList =
        std::clamp(heights.siteList, minimum, std::max(minimum, available - 2 * minimum));
    heights.articleList = std::clamp(heights.articleList, minimum,
                                     std::max(minimum, available - heights.siteList - minimum));
    return heights;
}

}  // namespace varlo
