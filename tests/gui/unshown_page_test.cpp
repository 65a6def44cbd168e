// A preview page written on a worker and not shown: gone with its reading unless moved into place.
#include "gui/views/unshown_page.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "tests/support/test_support.h"

namespace varlo {
namespace {

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

std::string Read(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(UnshownPage, APageNobodyShowsLeavesNothingBehindAndAShownOneStays) {
    test::TempDir dir;
    const std::string place = dir.File("preview.html");
    const std::string first = dir.File("preview.html.1.new");
    const std::string second = dir.File("preview.html.2.new");
    Write(place, "old");
    Write(first, "one");
    Write(second, "two");
    {
        CUnshownPage dropped(first);
        // Handed from the worker to the window and on: only the last holder removes it.
        CUnshownPage moved(std::move(dropped));
        EXPECT_TRUE(dropped.Path().empty());
        EXPECT_TRUE(std::filesystem::exists(first));
    }
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_EQ(Read(place), "old");

    CUnshownPage shown(second);
    ASSERT_TRUE(shown.MoveTo(place));
    EXPECT_EQ(Read(place), "two");
    EXPECT_TRUE(shown.Path().empty());
    // Nothing is left to move or to remove: the page in place stays.
    EXPECT_FALSE(shown.MoveTo(place));
    { CUnshownPage gone(std::move(shown)); }
    EXPECT_EQ(Read(place), "two");

    // A page that cannot be moved (its place is a folder) stays the caller's to replace, and
    // goes with its holder.
    const std::string third = dir.File("preview.html.3.new");
    Write(third, "three");
    std::filesystem::create_directory(dir.File("folder"));
    {
        CUnshownPage stuck(third);
        EXPECT_FALSE(stuck.MoveTo(dir.File("folder")));
        CUnshownPage other;
        other = std::move(stuck);
    }
    EXPECT_FALSE(std::filesystem::exists(third));
}

}  // namespace
}  // namespace varlo
