#pragma once
// The window-system side of the platform layer: message boxes as windows and the message pump.

class wxString;
class wxWindow;

namespace varlo {

// Shows a message box captioned "Varlo" with Japanese button labels (はい, いいえ, OK, キャンセル)
// whatever the system's language; `style` as for wxMessageBox. Returns wxID_YES, wxID_NO, wxID_OK
// or wxID_CANCEL.
int ShowJapaneseMessageBox(wxWindow* parent, const wxString& text, long style);

// Message boxes become wxMessageBox windows captioned "Varlo".
void InstallGuiMessageBoxes();
// PumpMessage dispatches at most one pending event of the toolkit; a download waiting for the
// network dispatches what is pending.
void InstallGuiMessagePump();
// Shows "メモリが不足しています": what the user sees when an action ran out of memory.
void ReportOutOfMemory();

}  // namespace varlo
