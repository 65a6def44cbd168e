#include <gtest/gtest.h>

#include "xml/document.h"
#include "xml/writer.h"

namespace varlo {
namespace {

class XmlWriterLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        auto* root = doc.AppendChild(CMXMLDocument::CreateElement("r"));
        root->SetAttribute("v", "1");
        root->AppendChild(CMXMLDocument::CreateElement("a"))->SetNodeValue("t");
        root->AppendChild(CMXMLDocument::CreateElement("b"));
    }
    void TearDown() override { SetXmlFormat(XmlFormat::Compact); }
    CMXMLDocument doc;
};

TEST_F(XmlWriterLayout, IndentedPutsEachElementOnItsOwnLine) {
    SetXmlFormat(XmlFormat::Indented);
    EXPECT_EQ(doc.GetXML(),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<r v=\"1\">\r\n\t<a>t</a>\r\n\t<b />"
              "\r\n</r>");
}

TEST_F(XmlWriterLayout, CompactAddsNothing) {
    SetXmlFormat(XmlFormat::Compact);
    EXPECT_EQ(doc.GetXML(),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?><r v=\"1\"><a>t</a><b /></r>");
}

TEST_F(XmlWriterLayout, MixedContentBreaksOnlyBeforeElementsAndCommentsStayInline) {
    SetXmlFormat(XmlFormat::Indented);
    CMXMLElement e("<m>x<!--c--><y>1</y>z</m>");
    EXPECT_EQ(e.GetXML(), "<m>x<!--c-->\r\n\t<y>1</y>z</m>");
    CMXMLElement nested("<m><n><o/></n></m>");
    EXPECT_EQ(nested.GetXML(), "<m>\r\n\t<n>\r\n\t\t<o />\r\n\t</n>\r\n</m>");
}

TEST(XmlWriterEscaping, NothingIsEscaped) {
    CMXMLElement e;
    e.SetNodeName("e");
    e.SetAttribute("q", "a\"b");
    e.AppendChild(std::make_unique<CMXMLTextNode>("& <"));
    e.AppendChild(std::make_unique<CMXMLCDATASection>("]"));
    // A value holding a double quote goes in single quotes (it used to break the tag).
    EXPECT_EQ(e.GetXML(), "<e q='a\"b'>& <<![CDATA[]]]></e>");
}

TEST(XmlWriterEscaping, EmptyValueIsABareNameAndNoEndTagWhenTheFlagIsClear) {
    const CMXMLElement e("<e flag><br></e>");
    EXPECT_EQ(e.GetXML(), "<e flag><br /></e>");
    const CMXMLElement x("<x></x>");
    EXPECT_EQ(x.GetXML(), "<x />");
}

}  // namespace
}  // namespace varlo
