#include "feeds/address.h"

#include <optional>

#include "platform/text.h"

namespace varlo {
namespace {

size_t SchemeLength(std::string_view address) {
    if (address.empty() || !IsAsciiAlpha(address[0])) return 0;
    for (size_t i = 1; i < address.size(); ++i) {
        const char c = address[i];
        if (c == ':') return i;
        if (!IsAsciiAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return 0;
    }
    return 0;
}

// An address split into its five parts; absent parts are nullopt, so that "?" (an empty query)
// differs from no query at all.
struct Parts {
    std::optional<std::string_view> scheme, authority;
    std::string_view path;
    std::optional<std::string_view> query, fragment;
};

Parts Split(std::string_view s) {
    Parts p;
    if (const size_t n = SchemeLength(s)) {
        p.scheme = s.substr(0, n);
        s.remove_prefix(n + 1);
    }
    if (const size_t hash = s.find('#'); hash != std::string_view::npos) {
        p.fragment = s.substr(hash + 1);
        s = s.substr(0, hash);
    }
    if (const size_t mark = s.find('?'); mark != std::string_view::npos) {
        p.query = s.substr(mark + 1);
        s = s.substr(0, mark);
    }
    if (s.starts_with("//")) {
        s.remove_prefix(2);
        const size_t slash = s.find('/');
        p.authority = s.substr(0, slash);
        s = slash == std::string_view::npos ? std::string_view() : s.substr(slash);
    }
    p.path = s;
    return p;
}

// The path with "." and ".." segments worked out.
std::string RemoveDotSegments(std::string_view in) {
    std::string out;
    while (!in.empty()) {
        if (in.starts_with("../")) {
            in.remove_prefix(3);
        } else if (in.starts_with("./")) {
            in.remove_prefix(2);
        } else if (in.starts_with("/./")) {
            in.remove_prefix(2);
        } else if (in == "/.") {
            in = "/";
        } else if (in.starts_with("/../") || in == "/..") {
            in = in.size() == 3 ? std::string_view("/") : in.substr(3);
            const size_t last = out.rfind('/');
            out.resize(last == std::string::npos ? 0 : last);
        } else if (in == "." || in == "..") {
            in = {};
        } else {
            const size_t next = in.find('/', 1);
            const size_t n = next == std::string_view::npos ? in.size() : next;
            out.append(in.substr(0, n));
            in.remove_prefix(n);
        }
    }
    return out;
}

std::string Merge(const Parts& base, std::string_view path) {
    if (base.authority && base.path.empty()) return "/" + std::string(path);
    const size_t slash = base.path.rfind('/');
    if (slash == std::string_view::npos) return std::string(path);
    return std::string(base.path.substr(0, slash + 1)) + std::string(path);
}

}  // namespace

bool HasScheme(std::string_view address) {
    return SchemeLength(address) != 0;
}

std::string SchemeOf(std::string_view address) {
    std::string scheme(address.substr(0, SchemeLength(address)));
    for (char& c : scheme) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return scheme;
}

bool IsWebAddress(std::string_view address) {
    const size_t n = SchemeLength(address);
    if (n != 4 && n != 5) return false;
    std::string scheme(address.substr(0, n));
    for (char& c : scheme) c = static_cast<char>(c | 0x20);
    return scheme == "http" || scheme == "https";
}

std::string ResolveAddress(std::string_view reference, std::string_view base) {
    if (base.empty() || HasScheme(reference) || !HasScheme(base)) return std::string(reference);
    const Parts r = Split(reference);
    const Parts b = Split(base);
    std::string authority;
    bool hasAuthority;
    std::string path;
    std::optional<std::string_view> query;
    if (r.authority) {
        hasAuthority = true;
        authority = *r.authority;
        path = RemoveDotSegments(r.path);
        query = r.query;
    } else {
        hasAuthority = b.authority.has_value();
        if (hasAuthority) authority = *b.authority;
        if (r.path.empty()) {
            path = b.path;
            query = r.query ? r.query : b.query;
        } else {
            path =
                RemoveDotSegments(r.path.starts_with('/') ? std::string(r.path) : Merge(b, r.path));
            query = r.query;
        }
    }
    std::string out(*b.scheme);
    out += ':';
    if (hasAuthority) {
        out += "//";
        out += authority;
    }
    out += path;
    if (query) {
        out += '?';
        out += *query;
    }
    if (r.fragment) {
        out += '#';
        out += *r.fragment;
    }
    return out;
}

}  // namespace varlo
