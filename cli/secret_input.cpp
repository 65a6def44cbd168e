#include "cli/secret_input.h"

#include <unistd.h>

#include <utility>

namespace varlo::cli {

CSecretBuffer SecretLineFromInput() {
    CSecretBuffer line;
    char c = 0;
    while (read(STDIN_FILENO, &c, 1) == 1 && c != '\n') {
        if (!line.Append(c)) break;
    }
    if (line.View().ends_with('\r')) {
        CSecretBuffer trimmed(line.View().substr(0, line.Size() - 1));
        line = std::move(trimmed);
    }
    c = 0;
    return line;
}

}  // namespace varlo::cli
