#include <gtest/gtest.h>

#include "run_cli.h"
#include "support/test_support.h"

namespace varlo {
namespace {

using test::RunCli;

TEST(CliDate, PrintsParsedDatesAndFormattedTimesInTheGivenZone) {
    EXPECT_EQ(RunCli("date w3c 2004-01-02T03:04:05+09:00").out, "1072980245\n");
    EXPECT_EQ(RunCli("date rfc822 'Sat, 07 Sep 2002 00:00:01 GMT'").out, "1031356801\n");
    EXPECT_EQ(RunCli("date zone -03:30").out, "-12600\n");
    EXPECT_EQ(RunCli("date w3c nonsense").out, "0\n");
    // The child process takes its zone from TZ, as the program does.
    test::ScopedTimeZone tz("Asia/Tokyo");
    EXPECT_EQ(RunCli("date rfc822-format 1031356801").out, "Sat, 07 Sep 2002 09:00:01 +0900\n");
    EXPECT_EQ(RunCli("date display 1031356801").out, "2002-09-07 09:00\n");
}

TEST(CliDate, RejectsUnknownModesAndNonNumericSeconds) {
    EXPECT_EQ(RunCli("date display 12abc").status, 2);
    EXPECT_EQ(RunCli("date iso 2004").status, 2);
    EXPECT_EQ(RunCli("date w3c").status, 2);
}

}  // namespace
}  // namespace varlo
