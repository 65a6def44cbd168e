#include "encoding/japanese_convert.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "encoding/codepage.h"
#include "encoding/japanese_detect.h"
#include "support/test_support.h"
#include "support/transcode.h"

namespace varlo {
namespace {

using test::Transcode;

Text Jis(std::string_view line) {
    JisModes modes;
    Text out;
    ConvertJisLine(line, modes, out);
    return out;
}

Text Euc(std::string_view line) {
    Text out;
    ConvertEucLine(line, out);
    return out;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

TEST(JisX0208Arithmetic, MatchesIconvForEveryAssignedCode) {
    int compared = 0;
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            const std::string euc = {static_cast<char>(j1 | 0x80), static_cast<char>(j2 | 0x80)};
            std::string expected;
            try {
                expected = Transcode(euc, "EUC-JP", "SHIFT_JIS");
            } catch (const std::runtime_error&) {
                continue;  // not assigned in JIS X 0208
            }
            ASSERT_EQ(Euc(euc), expected) << std::hex << j1 << " " << j2;
            const std::string jis = {'\x1B', '$', 'B', static_cast<char>(j1), static_cast<char>(j2),
                                     '\x1B', '(', 'B'};
            ASSERT_EQ(Jis(jis), expected) << std::hex << j1 << " " << j2;
            ++compared;
        }
    }
    EXPECT_GT(compared, 6800);
}

TEST(JisConversion, WritesHalfWidthKatakanaAfterTheKatakanaEscape) {
    EXPECT_EQ(Jis("a\x1B(I1\x5F\x1B(Bb"),
              "a\xB1\xDF"
              "b");
    EXPECT_EQ(Jis("\x0E"
                  "1"
                  "\x0F"
                  "1"),
              "\xB1"
              "1");
}

TEST(JisConversion, SwitchesOnEveryTwoByteEscape) {
    EXPECT_EQ(Jis("\x1B$@\x30\x21\x1B(J."), "\x88\x9F.");
    EXPECT_EQ(Jis("\x1B&@\x30\x21\x1B(H."), "\x88\x9F.");
    EXPECT_EQ(Jis("\x1B$(D\x30\x21"), "\x88\x9F");
    // A two-byte escape also ends katakana mode.
    EXPECT_EQ(Jis("\x1B(I1\x1B$B\x30\x21"), "\xB1\x88\x9F");
}

TEST(JisConversion, CopiesABrokenPairByteByByte) {
    EXPECT_EQ(Jis("\x1B$B\x30 \x30\x21"), "\x30 \x88\x9F");
    EXPECT_EQ(Jis("\x1B$B\x30"), "\x30");
}

TEST(JisConversion, CarriesItsModesToTheNextLineOfTheSameText) {
    JisModes modes;
    Text out;
    ConvertJisLine("\x1B$B\x30\x21", modes, out);
    ConvertJisLine("\x30\x21\x1B(B", modes, out);
    EXPECT_EQ(out, "\x88\x9F\x88\x9F");
    EXPECT_FALSE(modes.twoByte);
}

TEST(EucConversion, HandlesKatakanaAndSupplementaryPrefixes) {
    EXPECT_EQ(Euc("\x8E\xB1"
                  "a"),
              "\xB1"
              "a");
    EXPECT_EQ(Euc("a\x8E"), "a");                    // a prefix that ends the line is dropped
    EXPECT_EQ(Euc("\x8F\xB0\xA1"), "\x88\x9F");      // JIS X 0212 prefix dropped, pair converted
    EXPECT_EQ(Euc("\xB0"), "\xB0");                  // a lone lead byte stays
    EXPECT_EQ(Euc("\x90\xB0\xA1"), "\x90\x88\x9F");  // no JIS code: copied alone
}

TEST(Utf8Conversion, DropsTheByteOrderMarkAndCarriesUnmappableCharacters) {
    EXPECT_EQ(ConvertUtf8("\xEF\xBB\xBF\xE3\x81\x82"), "\x82\xA0");
    EXPECT_EQ(ConvertUtf8("caf\xC3\xA9"), "caf&#xE9;");
}

TEST(LineConversion, CanCutAtEveryBreakByte) {
    // Cut only at CR LF, a katakana-mode LF would be shifted like a character.
    EXPECT_EQ(ConvertJapaneseLines("\x1B(I1\n1", kCodeJis, true), "\xB1\n\xB1");
    EXPECT_EQ(ConvertJapaneseLines("\x1B(I1\n1", kCodeJis, false), "\xB1\x8A\xB1");
}

// The reference vectors decode every JIS X 0208 position; positions code page 932 defines must
// come out as the same characters.
void CompareWithReference(const std::string& input, const std::string& reference, int code) {
    const std::string inPath = test::CorpusPath("encoding_rs/tests/test_data/" + input);
    if (inPath.empty() || !std::ifstream(inPath)) GTEST_SKIP() << "corpus not present";
    const auto lines = ReadLines(inPath);
    const auto expected = ReadLines(test::CorpusPath("encoding_rs/tests/test_data/" + reference));
    ASSERT_EQ(lines.size(), expected.size());
    int compared = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (expected[i].find("\xEF\xBF\xBD") != std::string::npos) continue;  // invalid on purpose
        const std::string got = Cp932ToUtf8(ConvertJapaneseLines(lines[i], code, false));
        EXPECT_EQ(got, expected[i]) << "line " << i + 1;
        ++compared;
    }
    EXPECT_GT(compared, 7000);
}

TEST(ReferenceVectors, EucJpDecodesLikeTheReference) {
    CompareWithReference("jis0208_in.txt", "jis0208_in_ref.txt", kCodeEucJp);
}

TEST(ReferenceVectors, Iso2022JpDecodesLikeTheReference) {
    CompareWithReference("iso_2022_jp_in.txt", "iso_2022_jp_in_ref.txt", kCodeJis);
}

}  // namespace
}  // namespace varlo
