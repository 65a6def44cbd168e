#include <cstdio>
#include <cstring>

#include "gui/app/varlo_app.h"
#include "platform/allocator.h"

wxIMPLEMENT_APP_NO_MAIN(varlo::CVarloApp);

int main(int argc, char** argv) {
    varlo::KeepLargeBlocksOutOfTheHeap();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("varlo %s\n", VARLO_VERSION);
            return 0;
        }
    }
    return wxEntry(argc, argv);
}
