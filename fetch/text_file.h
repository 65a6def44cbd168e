#pragma once
// A fetched web page read as system text: its encoding guessed from its bytes, its line breaks
// brought to CR LF and its text converted to code page 932.

#include <string>

#include "encoding/japanese_convert.h"
#include "encoding/japanese_detect.h"
#include "platform/text.h"

namespace varlo {

class CTextFile {
  public:
    // Reads the file whole, detects and converts it; 1 with m_strText set, or 0 (after the message
    // "ファイルが見つかりません") when it cannot be read, leaving m_strText as it was.
    int Load(const std::string& path);

    Text m_strText;                     // the decoded text
    std::string m_strPath;              // the file last loaded
    int m_nCode = kCodeAscii;           // code kind found by detection
    int m_nLineBreak = kLineBreakNone;  // line-break kind found
    int m_bConvert = 1;                 // whether Load normalises line breaks and converts
    std::string m_strRaw;               // the file's bytes, held only while they are converted
};

// The character set a page names in a meta element near its start ("<meta charset=...>" or
// "content=\"text/html; charset=...\""); empty when it names none.
std::string DeclaredPageCharset(std::string_view bytes);

// Brings the line breaks of `text` to CR LF for a text whose first break is of `lineBreak` kind:
// LF texts get CR before every LF, CR texts get LF after every CR (CR LF pairs kept whole); CR LF
// texts and texts without breaks are returned unchanged.
Text NormaliseLineBreaks(std::string_view text, int lineBreak);

}  // namespace varlo
