#include "shell/placement.h"

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

}  // namespace varlo
