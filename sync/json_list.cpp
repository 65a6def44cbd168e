#include "sync/json_list.h"

#include <algorithm>
#include <vector>

namespace varlo {
namespace {

using Json = nlohmann::json;

// Deeper than any answer of the API; deep enough that no honest server comes near.
constexpr int kMaxDepth = 64;
// Values built for one element: an article has a few dozen, a subscription fewer.
constexpr size_t kMaxNodes = 4096;
// A top-level string kept (a continuation, a stream id) is short.
constexpr size_t kMaxTopString = 4096;

// The element's own depth: the top object is 1, its list 2.
constexpr int kElementDepth = 3;

class ListReader : public nlohmann::json_sax<Json> {
  public:
    ListReader(const JsonListShape& shape, const std::function<bool(Json&&)>& element,
               JsonListResult& result)
        : m_shape(shape), m_element(element), m_result(result) {}

    bool null() override { return Scalar(Json(nullptr)); }
    bool boolean(bool value) override { return Scalar(Json(value)); }
    bool number_integer(number_integer_t value) override { return Scalar(Json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return Scalar(Json(value)); }
    bool number_float(number_float_t value, const string_t&) override {
        return Scalar(Json(value));
    }
    // The lexer's string is taken, not copied: an article's text is held once.
    bool string(string_t& value) override { return Scalar(Json(std::move(value))); }
    bool binary(binary_t&) override { return Scalar(Json()); }
    bool start_object(std::size_t) override { return Open(Json::object()); }
    bool start_array(std::size_t) override { return Open(Json::array()); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

    bool key(string_t& name) override {
        if (m_skipFrom) return true;
        m_skipNext = false;
        m_next = Next::kNone;
        if (m_depth == 1) {
            if (!m_shape.list.empty() && name == m_shape.list) {
                m_next = Next::kList;
            } else if (Has(m_shape.strings, name)) {
                m_next = Next::kString;
                m_key = name;
            } else {
                m_skipNext = true;
            }
        } else if (m_depth >= kElementDepth && !m_dropping) {
            if (Has(m_shape.kept, name)) {
                m_key = name;
            } else {
                m_skipNext = true;
            }
        }
        return true;
    }

  private:
    enum class Next { kNone, kList, kString };

    static bool Has(std::initializer_list<std::string_view> names, std::string_view name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    }

    bool Scalar(Json&& value) {
        if (m_skipFrom) return true;
        if (m_skipNext) {
            m_skipNext = false;
            return true;
        }
        if (m_depth == 0) return false;  // a bare scalar is no answer of the API
        if (m_depth == 1) {
            if (m_next == Next::kList) return false;  // the list is not an array
            if (m_next == Next::kString && value.is_string() &&
                value.get_ref<const std::string&>().size() <= kMaxTopString) {
                m_result.strings[m_key] = value.get<std::string>();
            }
            m_next = Next::kNone;
            return true;
        }
        if (m_depth == 2) return Deliver(std::move(value));
        if (m_dropping) return true;
        Add(std::move(value));
        return true;
    }

    bool Open(Json&& container) {
        if (m_depth >= kMaxDepth) return false;
        ++m_depth;
        if (m_skipFrom) return true;
        if (m_skipNext) {
            m_skipNext = false;
            m_skipFrom = m_depth;
            return true;
        }
        if (m_depth == 1) return container.is_object();
        if (m_depth == 2) {
            if (m_next != Next::kList) {
                m_skipFrom = m_depth;  // a top-level string member that is not a string
                return true;
            }
            m_next = Next::kNone;
            m_result.listSeen = true;
            m_inList = true;
            return container.is_array();
        }
        if (m_depth == kElementDepth) {
            m_building = std::move(container);
            m_nodes = 1;
            m_dropping = false;
            m_stack.assign(1, &m_building);
            return true;
        }
        if (m_dropping) return true;
        m_stack.push_back(Add(std::move(container)));
        return true;
    }

    bool Close() {
        const int closing = m_depth--;
        if (m_skipFrom) {
            if (closing == m_skipFrom) m_skipFrom = 0;
            return true;
        }
        if (closing == 2) m_inList = false;
        if (closing == kElementDepth) {
            m_stack.clear();
            if (m_dropping) {
                ++m_result.dropped;
                m_dropping = false;
                m_building = Json();
                return true;
            }
            return Deliver(std::move(m_building));
        }
        if (closing > kElementDepth && !m_dropping) m_stack.pop_back();
        return true;
    }

    // Adds a value to the element being built; the place it took.
    Json* Add(Json&& value) {
        if (++m_nodes > kMaxNodes) {
            // Too large for an entry of the API: the rest of it is read past, none of it built.
            m_dropping = true;
            m_building = Json();
            m_stack.clear();
            return nullptr;
        }
        Json* parent = m_stack.back();
        if (parent->is_object()) return &((*parent)[m_key] = std::move(value));
        parent->push_back(std::move(value));
        return &parent->back();
    }

    bool Deliver(Json&& value) {
        if (!m_inList) return true;
        if (m_element(std::move(value))) return true;
        m_result.stopped = true;
        return false;
    }

    const JsonListShape& m_shape;
    const std::function<bool(Json&&)>& m_element;
    JsonListResult& m_result;
    int m_depth = 0;
    int m_skipFrom = 0;  // the depth of a container read past; 0 when none
    bool m_skipNext = false;
    Next m_next = Next::kNone;
    std::string m_key;
    bool m_inList = false;
    Json m_building;
    // The containers open inside the element, innermost last; each lives in its parent (a map
    // node or the last entry of an array), which does not move while it is open.
    std::vector<Json*> m_stack;
    size_t m_nodes = 0;
    bool m_dropping = false;
};

}  // namespace

JsonListResult ReadJsonList(std::string_view body, const JsonListShape& shape,
                            const std::function<bool(Json&&)>& element) {
    JsonListResult result;
    ListReader reader(shape, element, result);
    const bool read = Json::sax_parse(body.begin(), body.end(), &reader);
    result.ok = read || result.stopped;
    return result;
}

}  // namespace varlo
