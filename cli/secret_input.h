#pragma once
// A password read from standard input.

#include "platform/secret_memory.h"

namespace varlo::cli {

// The first line of standard input without its line break, read a byte at a time straight into
// memory left out of core dumps, so that no buffer of the standard library keeps any of it.
CSecretBuffer SecretLineFromInput();

}  // namespace varlo::cli
