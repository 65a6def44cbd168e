#pragma once
// Images that a page loads by script once they scroll into view: the address the script would
// use is in another attribute (data-src, data-original, srcset, a <picture>'s sources), and src
// holds a placeholder or nothing. A reader runs no script, so it takes that address itself.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varlo {

struct PageTree;

// True when `src` is no picture of the article: empty, a data: address (the tiny transparent
// image lazy loaders put there) or a named placeholder.
bool IsPlaceholderImage(std::string_view src);

// The largest candidate of a srcset value ("a.jpg 480w, b.jpg 1080w" gives "b.jpg"): by width,
// else by density; the first when none says. Empty for an empty list.
std::string LargestSrcsetCandidate(std::string_view srcset);

// Gives the <img> at `index` its real address in src, from its lazy attributes or from the
// sources of the <picture> it stands in; drops the lazy attributes' srcset.
void MakeImageReal(PageTree& tree, int index);

// The images (src, alt) of markup kept as text, as a <noscript>'s content may be.
std::vector<std::pair<std::string, std::string>> ImagesInMarkup(std::string_view markup);

}  // namespace varlo
