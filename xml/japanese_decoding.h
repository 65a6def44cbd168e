#pragma once
// Feeds in the Japanese encodings that are not code page 932: EUC-JP and ISO-2022-JP.

#include <optional>
#include <string_view>

#include "platform/text.h"

namespace varlo {

// The text converted to code page 932 when it is EUC-JP or ISO-2022-JP: by its declared encoding
// (unless the bytes are in fact 8-bit UTF-8), or, without a declaration, by what its bytes show.
// nullopt for every other text, which the UTF-8 test then decides on.
std::optional<Text> DecodeJapaneseXmlText(std::string_view bytes,
                                          std::string_view declaredEncoding);

}  // namespace varlo
