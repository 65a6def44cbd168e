#include "platform/secret_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

namespace varlo {
namespace {

// The VmFlags of the mapping holding `address`, from /proc/self/smaps; empty when none does.
std::string FlagsOf(const void* address) {
    std::ifstream smaps("/proc/self/smaps");
    const auto at = reinterpret_cast<uintptr_t>(address);
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> from >> dash >> to && dash == '-') {
            inside = from <= at && at < to;
        } else if (inside && line.starts_with("VmFlags:")) {
            return line;
        }
    }
    return {};
}

TEST(SecretBuffer, HoldsThePasswordInPagesLeftOutOfCoreDumpsAndGrowsWithoutLosingIt) {
    CSecretBuffer secret("pa ss");
    EXPECT_EQ(secret.View(), "pa ss");
    EXPECT_NE(FlagsOf(secret.View().data()).find(" dd"), std::string::npos);
    const std::string longer(10000, 'x');
    ASSERT_TRUE(secret.Append(longer));
    EXPECT_EQ(secret.Size(), 10005u);
    EXPECT_EQ(secret.View().substr(0, 6), "pa ssx");
    EXPECT_NE(FlagsOf(secret.View().data() + 9000).find(" dd"), std::string::npos);
    const char* data = secret.View().data();
    secret.Clear();
    EXPECT_TRUE(secret.Empty());
    EXPECT_EQ(std::string(data, 5), std::string(5, '\0'));  // overwritten, pages kept
    CSecretBuffer moved = std::move(secret);
    EXPECT_TRUE(moved.Append('z'));
    EXPECT_EQ(moved.View(), "z");

    std::string copy = "pa ss";
    WipeString(copy);
    EXPECT_TRUE(copy.empty());
}

}  // namespace
}  // namespace varlo
