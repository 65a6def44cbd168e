#include "feeds/dates.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "support/test_support.h"

namespace varlo {
namespace {

using test::ScopedTimeZone;

// The instant of a UTC calendar time, independent of the local zone.
TimeValue Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return timegm(&fields);
}

constexpr const char* kTokyo = "Asia/Tokyo";
constexpr const char* kNewYork = "America/New_York";
constexpr const char* kBerlin = "Europe/Berlin";
constexpr const char* kZones[] = {"UTC", kTokyo, kNewYork, kBerlin};

TEST(W3cDates, ReadTheInstantOfAZonedTimeWhateverTheLocalZone) {
    for (const char* zone : kZones) {
        ScopedTimeZone tz(zone);
        EXPECT_EQ(ParseW3cDate("2004-01-02T03:04:05+09:00"), Utc(2004, 1, 1, 18, 4, 5)) << zone;
        EXPECT_EQ(ParseW3cDate("2004-01-02T03:04:05Z"), Utc(2004, 1, 2, 3, 4, 5)) << zone;
        EXPECT_EQ(ParseW3cDate("2004-01-02T03:04:05-05:00"), Utc(2004, 1, 2, 8, 4, 5)) << zone;
    }
}

TEST(W3cDates, ReadSummerTimesAsTheTrueInstantWhereDaylightSavingIsInForce) {
    {
        ScopedTimeZone tz(kBerlin);
        EXPECT_EQ(ParseW3cDate("2004-07-02T03:04:05+02:00"), Utc(2004, 7, 2, 1, 4, 5));
        EXPECT_EQ(ParseW3cDate("2004-07-02T03:04:05Z"), Utc(2004, 7, 2, 3, 4, 5));
    }
    {
        ScopedTimeZone tz(kNewYork);
        EXPECT_EQ(ParseW3cDate("2004-07-02T03:04:05-04:00"), Utc(2004, 7, 2, 7, 4, 5));
    }
}

TEST(W3cDates, ReadADateAloneAsLocalMidnight) {
    {
        ScopedTimeZone tz(kTokyo);
        EXPECT_EQ(ParseW3cDate("2004-01-02"), Utc(2004, 1, 1, 15));
    }
    {
        ScopedTimeZone tz(kNewYork);
        EXPECT_EQ(ParseW3cDate("2004-01-02"), Utc(2004, 1, 2, 5));
        EXPECT_EQ(ParseW3cDate("2004-07-02"), Utc(2004, 7, 2, 4));
    }
    {
        ScopedTimeZone tz(kBerlin);
        EXPECT_EQ(ParseW3cDate("2004-07-02"), Utc(2004, 7, 1, 22));
        EXPECT_EQ(ParseW3cDate("2004-01-02"), Utc(2004, 1, 1, 23));
    }
}

TEST(W3cDates, KeepTheZoneAfterFractionalOrMissingSeconds) {
    // Both used to lose the zone (the fraction pushed it out of place; without seconds the zone's
    // hours became the seconds), putting the article hours off.
    for (const char* zone : kZones) {
        ScopedTimeZone tz(zone);
        EXPECT_EQ(ParseW3cDate("2004-01-02T03:04:05.25+09:00"), Utc(2004, 1, 1, 18, 4, 5)) << zone;
        EXPECT_EQ(ParseW3cDate("2004-01-02T03:04:05.123456789Z"), Utc(2004, 1, 2, 3, 4, 5));
        EXPECT_EQ(ParseW3cDate("2004-01-02T03:04+09:00"), Utc(2004, 1, 1, 18, 4, 0)) << zone;
        EXPECT_EQ(ParseW3cDate("2004-01-02T03:04-05:00"), Utc(2004, 1, 2, 8, 4, 0)) << zone;
        EXPECT_EQ(ParseW3cDate("2004-01-02T03:04Z"), Utc(2004, 1, 2, 3, 4, 0)) << zone;
        EXPECT_EQ(ParseW3cDate("2006-01-17T12:35:9+01:00"), Utc(2006, 1, 17, 11, 35, 9)) << zone;
        EXPECT_EQ(ParseW3cDate("\n  2004-01-02T03:04:05+09:00\n"), Utc(2004, 1, 1, 18, 4, 5));
    }
}

TEST(FeedDates, ReadTheFormsRealFeedsUseInEitherElement) {
    for (const char* zone : kZones) {
        ScopedTimeZone tz(zone);
        for (auto parse : {ParseRfc822Date, ParseW3cDate}) {
            // A space for the "T" and before a zone without colon.
            EXPECT_EQ(parse("2004-01-02 03:04:05 +0900"), Utc(2004, 1, 1, 18, 4, 5)) << zone;
            EXPECT_EQ(parse("2004-01-02 03:04:05 -0500"), Utc(2004, 1, 2, 8, 4, 5)) << zone;
            // Full month and weekday names, a missing seconds field.
            EXPECT_EQ(parse("Saturday, 07 September 2002 00:00:01 GMT"), Utc(2002, 9, 7, 0, 0, 1));
            EXPECT_EQ(parse("Tuesday 01 June 2004 09:30 +0900"), Utc(2004, 6, 1, 0, 30, 0));
            EXPECT_EQ(parse("Sat, 07 Sep 2002 09:00 +0900"), Utc(2002, 9, 7, 0, 0, 0)) << zone;
        }
    }
}

TEST(FeedDates, ReadSlashedDatesWithoutZoneAsLocalTime) {
    {
        ScopedTimeZone tz(kTokyo);
        EXPECT_EQ(ParseRfc822Date("2004/01/02 03:04:05"), Utc(2004, 1, 1, 18, 4, 5));
        EXPECT_EQ(ParseW3cDate("2004/01/02 03:04:05"), Utc(2004, 1, 1, 18, 4, 5));
    }
    {
        ScopedTimeZone tz(kNewYork);  // daylight saving in July
        EXPECT_EQ(ParseRfc822Date("2004/07/02 03:04:05"), Utc(2004, 7, 2, 7, 4, 5));
        EXPECT_EQ(ParseRfc822Date("2004/01/02 03:04:05"), Utc(2004, 1, 2, 8, 4, 5));
    }
    {
        ScopedTimeZone tz("UTC");
        EXPECT_EQ(ParseRfc822Date("2004/01/02 03:04:05"), Utc(2004, 1, 2, 3, 4, 5));
    }
}

TEST(W3cDates, TakeFieldsFromFixedPositionsWithoutTestingSeparators) {
    ScopedTimeZone tz(kTokyo);
    EXPECT_EQ(ParseW3cDate("2004/01/02 03.04.05Z"), Utc(2004, 1, 2, 3, 4, 5));
    // Eleven characters make a time of day even when nothing follows the date.
    EXPECT_EQ(ParseW3cDate("2004-01-02 "), Utc(2004, 1, 2));
}

TEST(W3cDates, CarryFieldsOutsideTheirRangeOver) {
    EXPECT_EQ(ParseW3cDate("2004-01-32T00:00:00Z"), Utc(2004, 2, 1));
    EXPECT_EQ(ParseW3cDate("2004-13-01T00:00:00Z"), Utc(2005, 1, 1));
    EXPECT_EQ(ParseW3cDate("2004-01-01T25:61:99Z"), Utc(2004, 1, 2, 2, 2, 39));
}

TEST(W3cDates, GiveNoDateForMissingOrZeroDateFields) {
    EXPECT_EQ(ParseW3cDate(""), 0);
    EXPECT_EQ(ParseW3cDate("0000-00-00T00:00:00Z"), 0);
    EXPECT_EQ(ParseW3cDate("2004-00-02T03:04:05Z"), 0);
    EXPECT_EQ(ParseW3cDate("2004-01"), 0);
    EXPECT_EQ(ParseW3cDate("yesterday"), 0);
}

TEST(W3cDates, StayPositiveAfter2038AndGiveNoDateBefore1970) {
    ScopedTimeZone tz(kTokyo);
    EXPECT_EQ(ParseW3cDate("2040-01-01T00:00:00Z"), 2208988800);
    EXPECT_EQ(ParseW3cDate("9999-12-31T23:59:59Z"), 253402300799);
    EXPECT_EQ(ParseW3cDate("2040-01-01"), 2208988800 - 9 * 3600);
    EXPECT_EQ(ParseW3cDate("1969-12-31T23:59:59Z"), 0);
    EXPECT_EQ(ParseW3cDate("1970-01-01T00:00:00+09:00"), 0);
    EXPECT_EQ(ParseW3cDate("1960-01-01"), 0);
}

TEST(Rfc822Dates, ReadTheInstantWhateverTheLocalZone) {
    for (const char* zone : kZones) {
        ScopedTimeZone tz(zone);
        EXPECT_EQ(ParseRfc822Date("Sat, 07 Sep 2002 00:00:01 GMT"), Utc(2002, 9, 7, 0, 0, 1));
        EXPECT_EQ(ParseRfc822Date("Sat, 07 Sep 2002 09:00:01 +0900"), Utc(2002, 9, 7, 0, 0, 1));
        EXPECT_EQ(ParseRfc822Date("07 Sep 2002 00:00:01 EST"), Utc(2002, 9, 7, 5, 0, 1));
        EXPECT_EQ(ParseRfc822Date("Fri, 02 Jul 2004 03:04:05 +0200"), Utc(2004, 7, 2, 1, 4, 5));
        EXPECT_EQ(ParseRfc822Date("Fri, 02 Jul 2004 03:04:05 EDT"), Utc(2004, 7, 2, 7, 4, 5));
    }
}

TEST(Rfc822Dates, KeepTheirYearRules) {
    EXPECT_EQ(ParseRfc822Date("Sat, 07 Sep 02 00:00:01 GMT"), 0);
    EXPECT_EQ(ParseRfc822Date("Tue, 07 Sep 99 00:00:01 GMT"), Utc(1999, 9, 7, 0, 0, 1));
    EXPECT_EQ(ParseRfc822Date("Fri, 31 Dec 2038 23:59:59 GMT"), Utc(2038, 12, 31, 23, 59, 59));
    EXPECT_GT(ParseRfc822Date("Fri, 31 Dec 2038 23:59:59 GMT"), int64_t{INT32_MAX});
    EXPECT_EQ(ParseRfc822Date("Sat, 01 Jan 2039 00:00:00 GMT"), 0);
    EXPECT_EQ(ParseRfc822Date("Thu, 01 Jan 1970 00:00:00 +0900"), 0);
}

TEST(Rfc822Dates, RejectUnknownMonthsAndDaysOutOfRange) {
    EXPECT_EQ(ParseRfc822Date("07 sep 2002 00:00:01 GMT"), 0);
    EXPECT_EQ(ParseRfc822Date("Sat, 07 Septembre 2002 00:00:01 GMT"), 0);
    EXPECT_EQ(ParseRfc822Date("Sat, 00 Sep 2002 00:00:01 GMT"), 0);
    EXPECT_EQ(ParseRfc822Date("Sat, 32 Sep 2002 00:00:01 GMT"), 0);
    EXPECT_EQ(ParseRfc822Date(""), 0);
    EXPECT_EQ(ParseRfc822Date(","), 0);
}

TEST(Rfc822Dates, KeepTheZoneWhenTheSecondsAreMissing) {
    // The zone used to be read as the seconds (900) and lost.
    EXPECT_EQ(ParseRfc822Date("Sat, 07 Sep 2002 00:00 +0900"), Utc(2002, 9, 6, 15, 0, 0));
}

TEST(Rfc822Dates, ReadAZoneOffsetWrittenWithAColon) {
    // The colon used to end the zone token, leaving "+09", which reads as UTC.
    EXPECT_EQ(ParseRfc822Date("Sat, 07 Sep 2002 09:00:01 +09:00"), Utc(2002, 9, 7, 0, 0, 1));
    EXPECT_EQ(ParseRfc822Date("Sat, 07 Sep 2002 00:00 -05:30"), Utc(2002, 9, 7, 5, 30, 0));
    EXPECT_EQ(ParseRfc822Date("Sat, 07 Sep 2002 00:00:01 +0000 (UTC)"), Utc(2002, 9, 7, 0, 0, 1));
}

TEST(Rfc822Dates, ReadAMissingTimeOfDayAsMidnightUtc) {
    ScopedTimeZone tz(kTokyo);
    EXPECT_EQ(ParseRfc822Date("Sat, 07 Sep 2002"), Utc(2002, 9, 7));
}

TEST(Rfc822Dates, CarryHoursOverAndIgnoreTokensAfterTheZone) {
    EXPECT_EQ(ParseRfc822Date("07 Sep 2002 25:00:00 GMT"), Utc(2002, 9, 8, 1));
    EXPECT_EQ(ParseRfc822Date("Sat, 07 Sep 2002 00:00:01 GMT (Greenwich) extra"),
              Utc(2002, 9, 7, 0, 0, 1));
    EXPECT_EQ(ParseRfc822Date("Sat,07-Sep-2002"), 0);
}

TEST(Rfc822Dates, SplitTheFirstTokenAtPlusSignsOnlyWithoutADayOfTheWeek) {
    EXPECT_EQ(ParseRfc822Date("07+Sep 2002 00:00:01 +0100"), Utc(2002, 9, 6, 23, 0, 1));
}

TEST(Rfc822Dates, LookOnlyAtTheFirst4095Characters) {
    const std::string padded = std::string(4090, ' ') + "07 Sep 2002 00:00:01 GMT";
    EXPECT_EQ(ParseRfc822Date(padded), 0);
    const std::string digits = "07 Sep 2002 " + std::string(3000, '9') + ":00:01 GMT";
    EXPECT_GT(ParseRfc822Date(digits), 0);
}

TEST(ZoneOffsets, ReadNumericOffsetsWithAndWithoutColon) {
    EXPECT_EQ(ParseZoneOffset("+09:00"), 32400);
    EXPECT_EQ(ParseZoneOffset("+0900"), 32400);
    EXPECT_EQ(ParseZoneOffset("+09:00:00"), 32400);
    EXPECT_EQ(ParseZoneOffset("+0530"), 19800);
    EXPECT_EQ(ParseZoneOffset("-03:30"), -12600);
    EXPECT_EQ(ParseZoneOffset("+09"), 0);
    EXPECT_EQ(ParseZoneOffset("-"), 0);
    // An offset from GMT or UTC written after the name, as Java writes zones it has no name for.
    EXPECT_EQ(ParseZoneOffset("GMT+09:00"), 32400);
    EXPECT_EQ(ParseZoneOffset("UTC-0330"), -12600);
    EXPECT_EQ(ParseZoneOffset("GMT+9"), 0);
    EXPECT_EQ(ParseZoneOffset("GMT+"), 0);
    EXPECT_EQ(ParseRfc822Date("Sat, 07 Sep 2002 09:00:01 GMT+09:00"), Utc(2002, 9, 7, 0, 0, 1));
}

TEST(ZoneOffsets, ReadNamedZonesOnlyWhenWrittenExactly) {
    EXPECT_EQ(ParseZoneOffset("EDT"), -14400);
    EXPECT_EQ(ParseZoneOffset("JST"), 32400);
    EXPECT_EQ(ParseZoneOffset("jst"), 0);
    EXPECT_EQ(ParseZoneOffset("GMT "), 0);
    EXPECT_EQ(ParseZoneOffset("XYZ"), 0);
}

TEST(ZoneOffsets, ReadTheSingleLetterMilitaryZonesWithTheirOldSigns) {
    EXPECT_EQ(ParseZoneOffset("A"), -3600);
    EXPECT_EQ(ParseZoneOffset("J"), -36000);
    EXPECT_EQ(ParseZoneOffset("K"), -36000);
    EXPECT_EQ(ParseZoneOffset("M"), -43200);
    EXPECT_EQ(ParseZoneOffset("Y"), 43200);
    EXPECT_EQ(ParseZoneOffset("Z"), 0);
    EXPECT_EQ(ParseZoneOffset("z"), 0);
}

TEST(DateFormatting, WritesTheLocalZonesTrueOffset) {
    const TimeValue t = Utc(2002, 9, 7, 0, 0, 1);
    {
        ScopedTimeZone tz(kTokyo);
        EXPECT_EQ(FormatRfc822Date(t), "Sat, 07 Sep 2002 09:00:01 +0900");
    }
    {
        ScopedTimeZone tz("UTC");
        EXPECT_EQ(FormatRfc822Date(t), "Sat, 07 Sep 2002 00:00:01 +0000");
    }
    {
        ScopedTimeZone tz(kNewYork);
        EXPECT_EQ(FormatRfc822Date(t), "Fri, 06 Sep 2002 20:00:01 -0400");
        EXPECT_EQ(FormatRfc822Date(Utc(2002, 1, 7)), "Sun, 06 Jan 2002 19:00:00 -0500");
    }
    {
        ScopedTimeZone tz("Asia/Kolkata");
        EXPECT_EQ(FormatRfc822Date(t), "Sat, 07 Sep 2002 05:30:01 +0530");
    }
}

TEST(DateFormatting, RoundTripsThroughTheRfc822ReaderInEveryZone) {
    const TimeValue instants[] = {Utc(2002, 9, 7, 0, 0, 1), Utc(2004, 1, 2, 3, 4, 5),
                                  Utc(2004, 7, 2, 3, 4, 5), Utc(2038, 6, 1, 12)};
    for (const char* zone : kZones) {
        ScopedTimeZone tz(zone);
        for (TimeValue t : instants) {
            EXPECT_EQ(ParseRfc822Date(FormatRfc822Date(t)), t) << zone << " " << t;
        }
    }
}

TEST(DateFormatting, ShowsTheDisplayFormInLocalTime) {
    const TimeValue t = Utc(2002, 9, 7, 0, 0, 1);
    {
        ScopedTimeZone tz(kTokyo);
        EXPECT_EQ(FormatDisplayDate(t), "2002-09-07 09:00");
        EXPECT_EQ(FormatDisplayDate(Utc(2040, 1, 1)), "2040-01-01 09:00");
    }
    {
        ScopedTimeZone tz(kBerlin);
        EXPECT_EQ(FormatDisplayDate(t), "2002-09-07 02:00");
        EXPECT_EQ(FormatDisplayDate(Utc(2002, 12, 7)), "2002-12-07 01:00");
    }
}

TEST(DateFormatting, GivesEmptyTextForTimesThatCannotBeBrokenDown) {
    EXPECT_EQ(FormatRfc822Date(INT64_MAX), "");
    EXPECT_EQ(FormatDisplayDate(INT64_MIN), "");
}

}  // namespace
}  // namespace varlo
