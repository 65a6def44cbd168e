#include "gui/platform/tool_icons.h"

#include <wx/brush.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/pen.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace varlo {
namespace {

const wxColour kBlue(0x1f, 0x6f, 0xd6);
const wxColour kGreen(0x1e, 0x9e, 0x46);
const wxColour kRed(0xd9, 0x30, 0x25);
const wxColour kYellow(0xf2, 0xb5, 0x2a);
const wxColour kOutline(0x6b, 0x4e, 0x0f);

// A path through the points of `xy` (pairs, in a 16-unit square), closed.
wxGraphicsPath Polygon(wxGraphicsContext& gc, std::initializer_list<double> xy) {
    wxGraphicsPath path = gc.CreatePath();
    auto it = xy.begin();
    path.MoveToPoint(it[0], it[1]);
    for (it += 2; it != xy.end(); it += 2) path.AddLineToPoint(it[0], it[1]);
    path.CloseSubpath();
    return path;
}

void Draw(wxGraphicsContext& gc, ToolIcon icon) {
    gc.SetPen(*wxTRANSPARENT_PEN);
    switch (icon) {
        case ToolIcon::kBack:
            gc.SetBrush(wxBrush(kBlue));
            gc.FillPath(Polygon(gc, {1, 8, 8, 1.5, 8, 5.5, 15, 5.5, 15, 10.5, 8, 10.5, 8, 14.5}));
            break;
        case ToolIcon::kForward:
            gc.SetBrush(wxBrush(kBlue));
            gc.FillPath(Polygon(gc, {15, 8, 8, 1.5, 8, 5.5, 1, 5.5, 1, 10.5, 8, 10.5, 8, 14.5}));
            break;
        case ToolIcon::kStop: {
            // An octagon with a white cross.
            gc.SetBrush(wxBrush(kRed));
            gc.FillPath(Polygon(gc, {5, 1, 11, 1, 15, 5, 15, 11, 11, 15, 5, 15, 1, 11, 1, 5}));
            gc.SetPen(wxPen(*wxWHITE, 2));
            gc.StrokeLine(5.5, 5.5, 10.5, 10.5);
            gc.StrokeLine(10.5, 5.5, 5.5, 10.5);
            break;
        }
        case ToolIcon::kUpdate: {
            // A circular arrow.
            gc.SetPen(wxPen(kGreen, 2));
            wxGraphicsPath arc = gc.CreatePath();
            arc.AddArc(8, 8.5, 5.5, -M_PI / 3, 1.45 * M_PI, true);
            gc.StrokePath(arc);
            gc.SetPen(*wxTRANSPARENT_PEN);
            gc.SetBrush(wxBrush(kGreen));
            gc.FillPath(Polygon(gc, {9.5, 0.5, 15.5, 2.5, 11, 7.5}));
            break;
        }
        case ToolIcon::kOpen:
            // A folder, open.
            gc.SetPen(wxPen(kOutline, 1));
            gc.SetBrush(wxBrush(kYellow.ChangeLightness(80)));
            gc.DrawPath(Polygon(gc, {1.5, 3.5, 6, 3.5, 7.5, 5, 13.5, 5, 13.5, 13.5, 1.5, 13.5}));
            gc.SetBrush(wxBrush(kYellow));
            gc.DrawPath(Polygon(gc, {3.5, 7.5, 15.5, 7.5, 13.5, 13.5, 1.5, 13.5}));
            break;
        case ToolIcon::kSave:
            // A diskette: blue body, white label, grey shutter.
            gc.SetBrush(wxBrush(kBlue));
            gc.FillPath(Polygon(gc, {1.5, 1.5, 12.5, 1.5, 14.5, 3.5, 14.5, 14.5, 1.5, 14.5}));
            gc.SetBrush(*wxWHITE_BRUSH);
            gc.DrawRectangle(4, 2.5, 7.5, 4.5);
            gc.SetBrush(wxBrush(wxColour(0xd0, 0xd7, 0xde)));
            gc.DrawRectangle(4, 9.5, 8, 5);
            break;
        case ToolIcon::kHelp: {
            // A blue disc with a white question mark.
            gc.SetBrush(wxBrush(kBlue));
            gc.DrawEllipse(0.5, 0.5, 15, 15);
            gc.SetPen(wxPen(*wxWHITE, 2));
            wxGraphicsPath hook = gc.CreatePath();
            hook.AddArc(8, 6, 2.6, M_PI, 0.5 * M_PI, true);
            hook.AddLineToPoint(8, 10);
            gc.StrokePath(hook);
            gc.SetPen(*wxTRANSPARENT_PEN);
            gc.SetBrush(*wxWHITE_BRUSH);
            gc.DrawEllipse(6.8, 11.2, 2.4, 2.4);
            break;
        }
    }
}

}  // namespace

wxBitmap ToolIconBitmap(ToolIcon icon, int size) {
    wxImage image(size, size);
    image.InitAlpha();
    unsigned char* alpha = image.GetAlpha();
    std::fill(alpha, alpha + size * size, 0);
    {
        std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
        if (gc) {
            gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
            gc->Scale(size / 16.0, size / 16.0);
            Draw(*gc, icon);
        }
    }
    return wxBitmap(image);
}

wxBitmap DisabledToolBitmap(const wxBitmap& bitmap) {
    // Each pixel's brightness as a light grey, and half as opaque: the shape stays, the colour
    // goes.
    wxImage image = bitmap.ConvertToImage();
    if (!image.HasAlpha()) image.InitAlpha();
    for (int y = 0; y < image.GetHeight(); ++y) {
        for (int x = 0; x < image.GetWidth(); ++x) {
            const int luma = (image.GetRed(x, y) * 299 + image.GetGreen(x, y) * 587 +
                              image.GetBlue(x, y) * 114) /
                             1000;
            const auto grey = static_cast<unsigned char>(96 + luma * 5 / 8);
            image.SetRGB(x, y, grey, grey, grey);
            image.SetAlpha(x, y, static_cast<unsigned char>(image.GetAlpha(x, y) * 3 / 5));
        }
    }
    return wxBitmap(image);
}

}  // namespace varlo
