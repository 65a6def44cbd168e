#include "encoding/japanese_detect.h"

#include <gtest/gtest.h>

#include "support/transcode.h"

namespace varlo {
namespace {

using test::Transcode;

constexpr const char* kJapanese = "日本語のページです。カタカナも漢字も含みます。\n";

TEST(JapaneseCodeDetection, FindsNothingDecidingInPlainAscii) {
    EXPECT_EQ(DetectJapaneseCode("<html><body>plain\r\n</body></html>"), kCodeAscii);
    EXPECT_EQ(DetectJapaneseCode(""), kCodeAscii);
}

TEST(JapaneseCodeDetection, RecognisesEachEncodingMadeByIconv) {
    EXPECT_EQ(DetectJapaneseCode(Transcode(kJapanese, "UTF-8", "SHIFT_JIS")), kCodeShiftJis);
    EXPECT_EQ(DetectJapaneseCode(Transcode(kJapanese, "UTF-8", "EUC-JP")), kCodeEucJp);
    EXPECT_EQ(DetectJapaneseCode(Transcode(kJapanese, "UTF-8", "ISO-2022-JP")), kCodeJis);
    // Japanese UTF-8 looks like Shift_JIS here; IsUtf8 tells the two apart afterwards.
    EXPECT_EQ(DetectJapaneseCode(kJapanese), kCodeShiftJis);
}

TEST(JapaneseCodeDetection, TakesOnlyTheTwoByteEscapesForJis) {
    EXPECT_EQ(DetectJapaneseCode("a\x1B$@b"), kCodeJis);
    EXPECT_EQ(DetectJapaneseCode("a\x1B$Bb"), kCodeJis);
    EXPECT_EQ(DetectJapaneseCode("a\x1B(Jb\x1B(B"), kCodeAscii);
    EXPECT_EQ(DetectJapaneseCode("\x1B$"), kCodeAscii);
}

TEST(JapaneseCodeDetection, DecidesOnTheFirstDecidingPair) {
    EXPECT_EQ(DetectJapaneseCode("x\xB0\xF5"), kCodeEucJp);
    EXPECT_EQ(DetectJapaneseCode("\xF1\xA1"), kCodeEucJp);
    EXPECT_EQ(DetectJapaneseCode("\x88\x9F"), kCodeShiftJis);
    EXPECT_EQ(DetectJapaneseCode("\x8E\x41"), kCodeShiftJis);
    EXPECT_EQ(DetectJapaneseCode("\x8E\xB1"), kCodeEucOrSjis);
    EXPECT_EQ(DetectJapaneseCode("\xE0\x41"), kCodeShiftJis);
    EXPECT_EQ(DetectJapaneseCode("\xE0\xFD"), kCodeEucJp);
    EXPECT_EQ(DetectJapaneseCode("\xE0\xA1"), kCodeEucOrSjis);
    // A half-width katakana byte followed by ASCII, or ending the text, is Shift_JIS.
    EXPECT_EQ(DetectJapaneseCode("\xB1"
                                 "a"),
              kCodeShiftJis);
    EXPECT_EQ(DetectJapaneseCode("ab\xB1"), kCodeShiftJis);
    // The first decision stands, whatever follows.
    EXPECT_EQ(DetectJapaneseCode("\x88\x9F\xF1\xA1"), kCodeShiftJis);
}

TEST(JapaneseCodeDetection, LeavesAccentedUtf8Undecided) {
    EXPECT_EQ(DetectJapaneseCode("caf\xC3\xA9 cr\xC3\xA8me"), kCodeEucOrSjis);
}

TEST(JapaneseCodeDetection, LooksThroughAnUndecidedRunOnlyOnceItIsUndecided) {
    // Still ASCII: a katakana byte followed by E0-EF decides nothing (the pair is consumed).
    EXPECT_EQ(DetectJapaneseCode("\xB0\xE0\x41"), kCodeAscii);
    // Undecided: the run after it decides on its first Shift_JIS-only or EUC-only byte.
    EXPECT_EQ(DetectJapaneseCode("\xC3\xA9\xB0\xE0\xC0\x85"), kCodeShiftJis);
    EXPECT_EQ(DetectJapaneseCode("\xC3\xA9\xB0\xE0\xC0\xFD"), kCodeEucJp);
    // A byte below 0x40 ends the run; the main scan goes on after it.
    EXPECT_EQ(DetectJapaneseCode("\xC3\xA9\xB0\xE0 \xB0\xA1"), kCodeEucOrSjis);
}

TEST(Utf8Test, AcceptsAByteOrderMarkWhateverFollows) {
    EXPECT_TRUE(IsUtf8("\xEF\xBB\xBF\xFF\xFF"));
}

TEST(Utf8Test, AcceptsOneToFourByteCharacters) {
    EXPECT_TRUE(IsUtf8(""));
    EXPECT_TRUE(IsUtf8("abc \xC3\xA9 \xE3\x81\x82"));
    EXPECT_TRUE(IsUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsUtf8("\xF0\x9F\x98"));
    EXPECT_FALSE(IsUtf8("\xF8\x9F\x98\x80"));
    EXPECT_FALSE(IsEightBitUtf8("plain"));
    EXPECT_TRUE(IsEightBitUtf8("caf\xC3\xA9"));
    EXPECT_FALSE(IsUtf8("\xE3\x81"));
    EXPECT_FALSE(IsUtf8("\xE3\x41\x82"));
    EXPECT_FALSE(IsUtf8("\x82\xA0"));
}

TEST(LineBreakDetection, ReportsTheKindOfTheFirstBreak) {
    EXPECT_EQ(DetectLineBreak("a\r\nb\nc\r"), kLineBreakCrLf);
    EXPECT_EQ(DetectLineBreak("a\nb\r\n"), kLineBreakLf);
    EXPECT_EQ(DetectLineBreak("a\rb\r\n"), kLineBreakCr);
    EXPECT_EQ(DetectLineBreak("a\r"), kLineBreakCr);
    EXPECT_EQ(DetectLineBreak("no break"), kLineBreakNone);
}

}  // namespace
}  // namespace varlo
