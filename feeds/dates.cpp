#include "feeds/dates.h"

#include <climits>
#include <cstdio>
#include <ctime>

#include "platform/text.h"

namespace varlo {
namespace {

// The C library's atoi on a slice: leading white space, an optional sign, then digits; no digits
// give 0. Saturates instead of overflowing on absurdly long digit runs.
int DecimalPrefix(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < INT_MAX) value = value * 10 + (text[i] - '0');
    }
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(negative ? -value : value);
}

// The characters at [pos, pos + count) read as a number; a slice beyond the end reads as 0.
int FieldAt(std::string_view text, size_t pos, size_t count) {
    if (pos >= text.size()) return 0;
    return DecimalPrefix(text.substr(pos, count));
}

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days from 1970-01-01 to the given proleptic Gregorian date; the month may lie outside 1 to 12 and
// the day outside the month, both carried over as mktime would.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year += FloorDiv(month - 1, 12);
    month -= 12 * FloorDiv(month - 1, 12);
    year -= month <= 2;
    const int64_t era = FloorDiv(year, 400);
    const int64_t yoe = year - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + (day - 1);
}

// The calendar fields read as UTC, out-of-range fields carried over.
int64_t UtcFromFields(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, month, day) * 86400 + int64_t{hour} * 3600 + int64_t{minute} * 60 +
           second;
}

// A computed instant before 1970 is no time value; report it as "no date".
TimeValue NonNegativeOrNone(int64_t t) {
    return t > 0 ? t : 0;
}

// Local midnight of a date, daylight saving decided by the system; 0 when the conversion fails.
TimeValue LocalMidnight(int year, int month, int day) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_isdst = -1;
    const time_t t = std::mktime(&fields);
    if (t == static_cast<time_t>(-1)) return 0;
    return NonNegativeOrNone(t);
}

bool IsSeparator(char c, std::string_view set) {
    return set.find(c) != std::string_view::npos;
}

// Hands out the tokens of an RFC 822 date: runs of separators count as one.
class Tokenizer {
  public:
    explicit Tokenizer(std::string_view text) : m_rest(text) {}
    std::string_view Next(std::string_view separators) {
        size_t i = 0;
        while (i < m_rest.size() && IsSeparator(m_rest[i], separators)) ++i;
        size_t end = i;
        while (end < m_rest.size() && !IsSeparator(m_rest[end], separators)) ++end;
        std::string_view token = m_rest.substr(i, end - i);
        m_rest.remove_prefix(end < m_rest.size() ? end + 1 : end);
        return token;
    }

  private:
    std::string_view m_rest;
};

int MonthNumber(std::string_view token) {
    static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static constexpr std::string_view kFullMonths[] = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    for (int i = 0; i < 12; ++i) {
        if (token == kMonths[i] || token == kFullMonths[i]) return i + 1;
    }
    return 13;
}

bool IsWeekdayName(std::string_view token) {
    static constexpr std::string_view kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static constexpr std::string_view kFullDays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                                     "Friday", "Saturday", "Sunday"};
    for (int i = 0; i < 7; ++i) {
        if (token == kDays[i] || token == kFullDays[i]) return true;
    }
    return false;
}

// True for text that begins like "2004-01-02" or "2004/01/02": a date in the W3C order.
bool StartsWithNumericDate(std::string_view text) {
    return text.size() >= 10 && IsAsciiDigit(text[0]) && IsAsciiDigit(text[1]) &&
           IsAsciiDigit(text[2]) && IsAsciiDigit(text[3]) && (text[4] == '-' || text[4] == '/');
}

// Local calendar fields to an instant, daylight saving decided by the system; 0 when the
// conversion fails.
TimeValue LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    const time_t t = std::mktime(&fields);
    if (t == static_cast<time_t>(-1)) return 0;
    return t > 0 ? t : 0;
}

// The value of a digit character as the zone reader takes it: its low four bits.
int DigitValue(std::string_view text, size_t pos) {
    return pos < text.size() ? (static_cast<unsigned char>(text[pos]) & 0x0F) : 0;
}

// Breaks `t` into local calendar fields; false when the C library cannot.
bool LocalFields(TimeValue t, std::tm& fields) {
    const time_t value = static_cast<time_t>(t);
    return localtime_r(&value, &fields) != nullptr;
}

constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

TimeValue ParseW3cDate(std::string_view text) {
    const std::string_view trimmed = Trim(text);
    // An RFC 822 date where a W3C one belongs ("Sat, 07 Sep 2002 ..." in an Atom feed).
    if (!trimmed.empty() && !IsAsciiDigit(trimmed[0]) && trimmed[0] != '+' && trimmed[0] != '-' &&
        trimmed.size() <= 4095 && trimmed.find(' ') != std::string_view::npos)
        return ParseRfc822Date(trimmed);
    // White space around the date (a feed that puts its dates on lines of their own) moves no
    // field; trailing white space after the date alone still makes a time of day, as it did.
    if (StartsWithNumericDate(trimmed))
        text = text.substr(static_cast<size_t>(trimmed.data() - text.data()));
    const int year = FieldAt(text, 0, 4);
    const int month = FieldAt(text, 5, 2);
    const int day = FieldAt(text, 8, 2);
    if (year == 0 || month == 0 || day == 0) return 0;
    // A date without a time of day means the start of that day where the reader is.
    if (text.size() <= 10) return LocalMidnight(year, month, day);
    const int hour = FieldAt(text, 11, 2);
    const int minute = FieldAt(text, 14, 2);
    // The seconds may be missing ("03:04+09:00") and may have a fraction ("05.25+09:00"); the
    // zone follows whatever is there.
    int second = 0;
    size_t zoneAt = 16;
    const bool secondsMissing = text.size() > 16 && (text[16] == '+' || text[16] == '-' ||
                                                     text[16] == 'Z' || text[16] == ' ');
    if (!secondsMissing) {
        second = FieldAt(text, 17, 2);
        // A seconds field of one digit ("12:35:9+01:00") still leaves the zone after it.
        size_t digits = 0;
        while (digits < 2 && 17 + digits < text.size() && IsAsciiDigit(text[17 + digits])) ++digits;
        zoneAt = digits == 1 ? 18 : 19;
        if (zoneAt < text.size() && (text[zoneAt] == '.' || text[zoneAt] == ',') &&
            zoneAt + 1 < text.size() && IsAsciiDigit(text[zoneAt + 1])) {
            ++zoneAt;
            while (zoneAt < text.size() && IsAsciiDigit(text[zoneAt])) ++zoneAt;
        }
    }
    const std::string_view zone =
        zoneAt < text.size() ? Trim(text.substr(zoneAt)) : std::string_view();
    // "2004/01/02 03:04:05" is how some Japanese feeds write their local time.
    if (text[4] == '/' && zone.empty()) return LocalTime(year, month, day, hour, minute, second);
    const int offset = ParseZoneOffset(zone);
    return NonNegativeOrNone(UtcFromFields(year, month, day, hour, minute, second) - offset);
}

TimeValue ParseRfc822Date(std::string_view text) {
    // Only the first 4,095 characters count; no date is longer.
    text = text.substr(0, 4095);
    // "2004-01-02 03:04:05 +0900" and "2004/01/02 03:04:05" stand where RFC 822 dates belong.
    if (StartsWithNumericDate(Trim(text))) return ParseW3cDate(text);
    static constexpr std::string_view kSeparators = ", :(";
    std::string_view tokens[3];
    std::string_view time;
    std::string_view zone;
    const size_t comma = text.find(',');
    Tokenizer tokenizer(comma != std::string_view::npos ? text.substr(comma + 1) : text);
    if (comma != std::string_view::npos) {
        // Whatever stands before the first comma is the day of the week.
        for (auto& token : tokens) token = tokenizer.Next(kSeparators);
    } else {
        tokens[0] = tokenizer.Next(", :(+");
        // A day of the week written without its comma.
        if (IsWeekdayName(tokens[0])) tokens[0] = tokenizer.Next(", :(+");
        for (int i = 1; i < 3; ++i) tokens[i] = tokenizer.Next(kSeparators);
    }
    // The time of day is one token: its seconds may be missing, and then the zone still follows.
    time = tokenizer.Next(", (");
    // The zone is one token too: some feeds write its offset with a colon ("+09:00").
    zone = tokenizer.Next(", (");
    Tokenizer clock(time);
    const std::string_view hourToken = clock.Next(":");
    const std::string_view minuteToken = clock.Next(":");
    const std::string_view secondToken = clock.Next(":");
    const int day = DecimalPrefix(tokens[0]);
    const int month = MonthNumber(tokens[1]);
    int year = DecimalPrefix(tokens[2]);
    if (year < 1900) year += 1900;
    // A missing time of day reads as 0 (a missing token is an empty one).
    const int hour = DecimalPrefix(hourToken);
    const int minute = DecimalPrefix(minuteToken);
    const int second = DecimalPrefix(secondToken);
    const int offset = ParseZoneOffset(zone);
    if (year < 1970 || year > 2038 || month < 1 || month > 12 || day < 1 || day > 31) return 0;
    return NonNegativeOrNone(UtcFromFields(year, month, day, hour, minute, second) - offset);
}

int ParseZoneOffset(std::string_view text) {
    // Java's date formatter writes a zone without a short name as "GMT+09:00".
    for (const std::string_view prefix : {"GMT", "UTC"}) {
        if (text.size() > prefix.size() && text.starts_with(prefix) &&
            (text[prefix.size()] == '+' || text[prefix.size()] == '-')) {
            text.remove_prefix(prefix.size());
            break;
        }
    }
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        if (text.size() < 5) return 0;
        const int hours = DigitValue(text, 1) * 10 + DigitValue(text, 2);
        const size_t minutesAt = text[3] == ':' ? 4 : 3;
        const int minutes = DigitValue(text, minutesAt) * 10 + DigitValue(text, minutesAt + 1);
        const int seconds = (hours * 60 + minutes) * 60;
        return text[0] == '-' ? -seconds : seconds;
    }
    struct NamedZone {
        std::string_view name;
        int hours;
    };
    static constexpr NamedZone kNames[] = {
        {"UT", 0},   {"GMT", 0},  {"EST", -5}, {"EDT", -4}, {"CST", -6}, {"CDT", -5},
        {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}, {"JST", 9},
    };
    for (const auto& zone : kNames) {
        if (text == zone.name) return zone.hours * 3600;
    }
    if (text.size() == 1) {
        // The single-letter military zones, with the signs that RFC 822 printed.
        const char c = text[0];
        if (c >= 'A' && c <= 'I') return -(c - 'A' + 1) * 3600;
        if (c == 'J' || c == 'K') return -10 * 3600;
        if (c == 'L') return -11 * 3600;
        if (c == 'M') return -12 * 3600;
        if (c >= 'N' && c <= 'Y') return (c - 'N' + 1) * 3600;
    }
    return 0;
}

Text FormatRfc822Date(TimeValue t) {
    std::tm fields{};
    if (!LocalFields(t, fields)) return {};
    // The offset in force at that instant, so that a reader elsewhere gets the same instant back.
    const long offset = fields.tm_gmtoff;
    const long magnitude = (offset < 0 ? -offset : offset) / 60;
    char buffer[128];
    const int n = std::snprintf(
        buffer, sizeof buffer, "%s, %02d %s %lld %02d:%02d:%02d %c%02ld%02ld",
        kDayNames[fields.tm_wday % 7], fields.tm_mday, kMonthNames[fields.tm_mon % 12],
        fields.tm_year + 1900LL, fields.tm_hour, fields.tm_min, fields.tm_sec,
        offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return n > 0 ? Text(buffer, static_cast<size_t>(n)) : Text();
}

Text FormatDisplayDate(TimeValue t) {
    std::tm fields{};
    if (!LocalFields(t, fields)) return {};
    char buffer[128];
    const int n =
        std::snprintf(buffer, sizeof buffer, "%lld-%02d-%02d %02d:%02d", fields.tm_year + 1900LL,
                      fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min);
    return n > 0 ? Text(buffer, static_cast<size_t>(n)) : Text();
}

}  // namespace varlo
