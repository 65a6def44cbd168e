#pragma once
// Reads an answer of the API without building it whole: the top object's one list (the
// subscriptions, the articles, the ids) is handed over an element at a time, each element built
// of the member names the caller uses only, and the few top-level strings asked for are kept.
// Nesting deeper than 64 fails the answer; an element too large to be an entry of the API is
// dropped and counted. Memory stays within the answer, its longest string and one element.

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace varlo {

struct JsonListShape {
    std::string_view list;                            // the top object's array member; may be empty
    std::initializer_list<std::string_view> kept;     // member names built inside an element
    std::initializer_list<std::string_view> strings;  // top-level string members to keep
};

struct JsonListResult {
    bool ok = false;        // an object that reads to its end (or to where `element` stopped)
    bool stopped = false;   // `element` asked to stop before the list ended
    bool listSeen = false;  // the list member was there (an array)
    size_t dropped = 0;     // elements too large to build, left out
    std::map<std::string, std::string, std::less<>> strings;  // the top-level strings found
};

// Reads `body`; `element` gets each element of the list (a scalar as itself) and returns false to
// stop reading.
JsonListResult ReadJsonList(std::string_view body, const JsonListShape& shape,
                            const std::function<bool(nlohmann::json&&)>& element);

}  // namespace varlo
