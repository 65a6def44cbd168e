#pragma once
// How much text a piece of a page holds, measured so that Japanese and Chinese weigh what
// English does: they have no spaces between words and pack a word into two or three characters,
// so each of their characters counts for two, and their commas and full stops (、。，) count as
// commas do in English.

#include <string_view>

namespace varlo {

struct TextMeasure {
    int length = 0;  // characters, CJK ones counted twice; white space at the ends not counted
    int commas = 0;  // commas of every script, and 。
};

// The measure of the UTF-8 text `utf8`.
TextMeasure MeasureText(std::string_view utf8);

// True for a code point of the CJK scripts: kana, ideographs, Hangul, full-width forms.
bool IsCjkCodePoint(char32_t c);

}  // namespace varlo
