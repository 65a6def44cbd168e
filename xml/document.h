#pragma once
// An XML document: owns its root element; loads from and saves to files.

#include <cstdint>
#include <memory>
#include <string>

#include "xml/element.h"

namespace varlo {

class CMXMLDocument : public CMXMLNode {
  public:
    int GetNodeType() const override { return kDocumentNode; }
    std::unique_ptr<CMXMLNode> CloneNode() const override;
    // The XML declaration, then the root element's markup.
    Text GetXML() const override;

    // The first child when it is an element, else null.
    CMXMLElement* GetDocumentElement() const;
    // A new detached element, owned by the caller until it is appended.
    static std::unique_ptr<CMXMLElement> CreateElement(std::string_view name);

    // Reads the file into this document. False (after a message box) when the file cannot be read.
    bool LoadFile(const std::string& path);
    // Writes the document as UTF-8. False (after a message box) when it cannot be written; the file
    // that was there before is then left as it was.
    bool SaveFile(const std::string& path);
    // Builds the tree from a whole document text (file bytes as read).
    void ParseXML(std::string text);

    // The "encoding" of the XML declaration of the last text loaded.
    const Text& GetEncoding() const { return m_encoding; }

    // True when the last text parsed reached one of the parser's caps (attributes on one tag,
    // nesting depth, the size of the tree) and something of it was dropped.
    bool LimitReached() const { return m_limitReached; }

    // How many texts documents have parsed in this process so far: lets tests check that a
    // download is parsed once, whichever way it goes.
    static uint64_t ParseCount();

  private:
    Text m_encoding;
    bool m_limitReached = false;
};

}  // namespace varlo
