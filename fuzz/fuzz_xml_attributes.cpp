// Attribute scanning of a start tag, and writing the attributes back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "xml/element.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    varlo::CMXMLElement element;
    element.SetNodeName("e");
    element.ParseAttributes(std::string_view(reinterpret_cast<const char*>(data), size));
    for (int i = 0; i < element.GetAttributeCount(); ++i) {
        (void)element.GetAttribute(element.GetAttributeAt(i).NodeName());
    }
    (void)element.GetStartTag();
    return 0;
}
