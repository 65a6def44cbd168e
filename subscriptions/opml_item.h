#pragma once
// One subscribed site: a plain record of five texts, all empty when created.

#include "platform/text.h"

namespace varlo {

class COpmlItem {
  public:
    Text m_strTitle;     // the site's title
    Text m_strCategory;  // the category; empty means none
    Text m_strHtmlUrl;   // address of the site's web page
    Text m_strXmlUrl;    // address of the site's feed; empty for a site without feed
    Text m_strType;      // feed type text, kept from the file and written back
};

}  // namespace varlo
