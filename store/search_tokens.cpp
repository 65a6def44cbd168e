#include "store/search_tokens.h"

#include <utility>

namespace varlo {

bool SearchTokenizer::Next(SearchToken& out) {
    while (m_queueAt >= m_queue.size()) {
        m_queue.clear();
        m_queueAt = 0;
        if (m_done) return false;
        m_done = !Fill();
    }
    out = std::move(m_queue[m_queueAt++]);
    return true;
}

bool SearchTokenizer::Fill() {
    FoldedChar c;
    if (!m_folder.Next(c)) {
        EndRun();
        return false;
    }
    switch (c.kind) {
        case CharClass::kWord:
            if (m_run != CharClass::kWord) {
                EndRun();
                m_run = CharClass::kWord;
                m_runText.clear();
                m_runBegin = c.begin;
                m_runTruncated = false;
            }
            if (m_runText.size() + c.text.size() <= kMaxWordBytes) {
                m_runText.append(c.text);
            } else {
                m_runTruncated = true;
            }
            m_runEnd = c.end;
            break;
        case CharClass::kCjk:
            if (m_run != CharClass::kCjk) {
                EndRun();
                m_run = CharClass::kCjk;
                m_runLength = 0;
            }
            if (m_runLength > 0) {
                // In the index, the pair shares the place of its first character, so that a phrase
                // of pairs or of characters lines up with the text.
                std::string pair = m_runText;
                pair.append(c.text);
                Push(CharClass::kCjk, pair, m_runBegin, c.end, !m_query);
            }
            if (!m_query) Push(CharClass::kCjk, c.text, c.begin, c.end, false);
            m_runText.assign(c.text);
            m_runBegin = c.begin;
            m_runEnd = c.end;
            ++m_runLength;
            break;
        case CharClass::kSymbol:
            EndRun();
            Push(CharClass::kSymbol, c.text, c.begin, c.end, false);
            break;
        case CharClass::kSeparator:
            EndRun();
            break;
    }
    return true;
}

void SearchTokenizer::EndRun() {
    if (m_run == CharClass::kWord) {
        Push(CharClass::kWord, m_runText, m_runBegin, m_runEnd, false);
        m_queue.back().truncated = m_runTruncated;
    } else if (m_run == CharClass::kCjk && m_query && m_runLength == 1) {
        // A searched run of one character has no pair: its character is its token.
        Push(CharClass::kCjk, m_runText, m_runBegin, m_runEnd, false);
    }
    m_run = CharClass::kSeparator;
}

void SearchTokenizer::Push(CharClass kind, std::string_view text, size_t begin, size_t end,
                           bool colocated) {
    SearchToken& token = m_queue.emplace_back();
    token.text.assign(text);
    token.kind = kind;
    token.begin = begin;
    token.end = end;
    token.colocated = colocated;
}

std::vector<SearchToken> TokenizeForSearch(std::string_view text, TextForm form, TokenMode mode) {
    std::vector<SearchToken> tokens;
    SearchTokenizer tokenizer(text, form, mode);
    SearchToken token;
    while (tokenizer.Next(token)) tokens.push_back(std::move(token));
    return tokens;
}

}  // namespace varlo
