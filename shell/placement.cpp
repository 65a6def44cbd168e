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

PaneHeights ClampPaneHeights(std::optional<int> siteList, std::optional<int> articleList,
                             int available, int minimum) {
    const PaneHeights defaults;
    PaneHeights heights{siteList.value_or(defaults.siteList),
                        articleList.value_or(defaults.articleList)};
    // A window too small for three panes of `minimum` shares what it has.
    minimum = std::max(1, std::min(minimum, available / 3));
    heights.siteList =
        std::clamp(heights.siteList, minimum, std::max(minimum, available - 2 * minimum));
    heights.articleList = std::clamp(heights.articleList, minimum,
                                     std::max(minimum, available - heights.siteList - minimum));
    return heights;
}

}  // namespace varlo
