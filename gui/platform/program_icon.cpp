#include "gui/platform/program_icon.h"

#include <wx/image.h>
#include <wx/mstream.h>

#include <cstddef>

namespace varlo {
namespace icon_data {
struct Png {
    const unsigned char* data;
    size_t size;
};
extern const Png kPngs[];
extern const size_t kPngCount;
}  // namespace icon_data

const wxIconBundle& ProgramIcons() {
    static const wxIconBundle bundle = [] {
        wxInitAllImageHandlers();
        wxIconBundle icons;
        for (size_t i = 0; i < icon_data::kPngCount; ++i) {
            wxMemoryInputStream stream(icon_data::kPngs[i].data, icon_data::kPngs[i].size);
            wxImage image(stream, wxBITMAP_TYPE_PNG);
            if (!image.IsOk()) continue;
            wxIcon icon;
            icon.CopyFromBitmap(wxBitmap(image));
            icons.AddIcon(icon);
        }
        return icons;
    }();
    return bundle;
}

}  // namespace varlo
