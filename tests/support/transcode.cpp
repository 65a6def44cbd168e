#include "support/transcode.h"

#include <iconv.h>

#include <memory>
#include <stdexcept>
#include <type_traits>

namespace varlo::test {

std::string Transcode(std::string_view bytes, const char* from, const char* to) {
    struct Closer {
        void operator()(iconv_t cd) const { iconv_close(cd); }
    };
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    std::unique_ptr<std::remove_pointer_t<iconv_t>, Closer> cd(raw);
    std::string in(bytes);
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
        iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        throw std::runtime_error("iconv could not convert the text");
    }
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace varlo::test
