#pragma once
// The layout of serialised XML: a process-wide setting, as the writer has always had one.

namespace varlo {

enum class XmlFormat { Compact, Indented };

// Selects the layout used by every later GetXML.
void SetXmlFormat(XmlFormat format);
// The layout in force.
XmlFormat GetXmlFormat();

}  // namespace varlo
