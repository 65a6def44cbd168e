#pragma once
#include <string_view>

// Lets a reader see elements while the tree is being built, and take finished ones out of it: a
// feed's articles can then be read one by one as they are parsed, so that the tree never holds
// more than the article being read (a large feed's tree is several times its text).

namespace varlo {

class CMXMLElement;

class ParseObserver {
  public:
    virtual ~ParseObserver() = default;
    // An element's start tag has been read (its name and attributes are known, its content not
    // yet). Elements of content are already in the tree: their ancestors can be walked.
    virtual void Started(const CMXMLElement& element) = 0;
    // An element of content, written as `markup`, has been parsed whole and is its parent's last
    // child. The observer may take it out of the tree (RemoveLastChild on its parent) and delete
    // it; true when it did.
    virtual bool Completed(CMXMLElement& element, std::string_view markup) = 0;
};

// Tells `observer` about the parses on this thread while it lives. The observer's own calls are
// not observed: a parse it makes while reading an element is an ordinary one.
class ParseObserverScope {
  public:
    explicit ParseObserverScope(ParseObserver& observer);
    ~ParseObserverScope();
    ParseObserverScope(const ParseObserverScope&) = delete;
    ParseObserverScope& operator=(const ParseObserverScope&) = delete;

  private:
    ParseObserver* m_outer;
};

// Called by the parser.
void NotifyElementStarted(const CMXMLElement& element);
bool NotifyElementCompleted(CMXMLElement& element, std::string_view markup);

// Says that no node points into `text` any longer and that the parse running on this thread has
// passed it for good (markup of elements taken out of the tree, and what stood between them): the
// whole pages inside it go back to the system, when the text is one the parse keeps, too large
// to be kept for the next reading, and its end tag search no longer needs them. A large document
// then gives its memory back as its articles are read. Answers where the pages given back end
// (text.data() when there were none).
const char* ForgetParsedText(std::string_view text);

}  // namespace varlo
