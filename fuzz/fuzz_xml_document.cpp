// Whole documents: prolog, decoding, parsing, both layouts of writing, text and queries.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/message_box.h"
#include "xml/document.h"
#include "xml/writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet =
        (varlo::SetMessageBoxHandler([](const varlo::Text&, unsigned) { return 1; }), true);
    (void)quiet;
    varlo::CMXMLDocument doc;
    doc.ParseXML(std::string(reinterpret_cast<const char*>(data), size));
    if (varlo::CMXMLElement* root = doc.GetDocumentElement()) {
        (void)root->GetText();
        (void)root->GetElementsByTagName("item").GetCount();
        (void)root->FindFirstElement("title");
    }
    varlo::SetXmlFormat(size % 2 ? varlo::XmlFormat::Indented : varlo::XmlFormat::Compact);
    (void)doc.GetXML();
    varlo::SetXmlFormat(varlo::XmlFormat::Compact);
    return 0;
}
