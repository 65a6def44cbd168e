#pragma once
// Reads a feed's articles while its file is parsed: each "item" or "entry" is read as soon as it
// is whole and then taken out of the tree, so that reading a large feed never holds its whole
// tree beside its articles. Everything else of the feed stays in the tree, and the readers take
// the articles from here in the order the tree would have given them.

#include <memory>
#include <string_view>
#include <vector>

#include "feeds/rss_item.h"
#include "platform/text.h"
#include "xml/parse_observer.h"

namespace varlo {

class CRssFile;

class ArticleStream : public ParseObserver {
  public:
    void Started(const CMXMLElement& element) override;
    bool Completed(CMXMLElement& element, std::string_view markup) override;

    // Moves the articles read into `feed`, in document order, and notes there whether articles
    // past the cap were dropped. An article that gave no address of its own (an RSS item without
    // a link) takes `channelAddress`.
    void MoveArticlesInto(CRssFile& feed, const Text& channelAddress = {});

    // Atom reads its author and id from the first "name" and "id" below the root, wherever they
    // stand: those found inside an article taken out are kept here. True when the element was
    // taken out, with its text in `text`.
    bool FirstNameTakenOut(Text& text) const { return TakenOut(m_firstName, text); }
    bool FirstIdTakenOut(Text& text) const { return TakenOut(m_firstId, text); }
    // True when any "author" stands below the root, in the tree or in an article taken out.
    bool AuthorSeen() const { return m_authorSeen; }

  private:
    // The first element of a name below the root, followed until its article is taken out.
    struct FirstOfName {
        const CMXMLElement* element = nullptr;
        bool seen = false;
        bool takenOut = false;
        Text text;
    };
    static bool TakenOut(const FirstOfName& first, Text& text);
    // Notes `element` as the first of its name, unless one came before.
    static void NoteFirst(FirstOfName& first, const CMXMLElement& element);
    // Keeps the text of `first` when it lies inside `article`, which is about to go.
    static void KeepIfInside(FirstOfName& first, const CMXMLElement& article);
    // True when an ancestor of `element` below the root is an article.
    bool InsideArticle(const CMXMLElement& element) const;
    // Reads one article, unless the cap is reached.
    void Read(const CMXMLElement& article);
    // Takes the article just read out of the tree with the white space between it and the one
    // taken out before, and gives back the memory of their text once enough has gathered.
    void TakeOut(CMXMLElement& article, std::string_view markup);

    const CMXMLElement* m_root = nullptr;
    std::string_view m_articleName = "item";
    bool m_atom = false;
    bool m_atom03 = false;
    bool m_rdf = false;
    // Taking articles out stops for good when it could change what the feed reads (an RSS
    // channel inside an article): the tree then keeps the rest, read as a whole as before.
    bool m_stopped = false;
    bool m_channelSeen = false;
    bool m_authorSeen = false;
    FirstOfName m_firstName;
    FirstOfName m_firstId;
    bool m_capReached = false;
    std::vector<std::unique_ptr<CRssItem>> m_articles;
    std::vector<bool> m_ownLinks;
    // The text of the articles taken out one after the other, and how far its pages went back.
    std::string_view m_run;
    const char* m_forgottenUpTo = nullptr;
    size_t m_forgetAt = 0;  // bytes past m_forgottenUpTo at which text is next given back
};

}  // namespace varlo
