#include "gui/platform/page_scroll.h"

#include <memory>

#include "gui/platform/page_script.h"

namespace varlo {

namespace {

// The script's answer: 0 when the page moved by nine tenths of the window (a line of the last
// screen stays in sight), 1 when it already showed its end (its top going back), 2 when the
// document is not `path`, is still loading, or shows its end while articles are still being added
// to it.
std::string ScriptFor(const std::string& path, bool back) {
    std::string script =
        "(function(){var e=document.scrollingElement||document.documentElement;"
        "if(!e||document.readyState!=='complete'||location.protocol!=='file:'||"
        "decodeURIComponent(location.pathname)!==" +
        ScriptString(path) + ")return 2;var step=Math.max(40,Math.floor(window.innerHeight*0.9));";
    script += back ? "if(e.scrollTop<=0)return 1;step=-step;"
                   : "if(e.scrollTop+window.innerHeight>=e.scrollHeight-2){"
                     "var f=document.querySelector('body>div[data-varlo-fill]');"
                     "if(f&&+f.getAttribute('data-next')<+f.getAttribute('data-total'))return 2;"
                     "return 1;}";
    script += "window.scrollBy({top:step,behavior:'instant'});return 0;})()";
    return script;
}

}  // namespace

void ScrollPageByScreen(wxWebView* web, const std::string& path, bool back,
                        std::function<void(PageScroll)> done) {
    RunPageScript(web, ScriptFor(path, back),
                  [back, done = std::move(done)](std::optional<int> answer) {
                      PageScroll outcome = PageScroll::kUnavailable;
                      if (answer) {
                          switch (*answer) {
                              case 0:
                                  outcome = PageScroll::kMoved;
                                  break;
                              case 1:
                                  outcome = back ? PageScroll::kAtTop : PageScroll::kAtEnd;
                                  break;
                              default:
                                  outcome = PageScroll::kNotReady;
                          }
                      }
                      if (done) done(outcome);
                  });
}

int PendingPageScrolls() {
    return PendingPageScripts();
}

}  // namespace varlo
