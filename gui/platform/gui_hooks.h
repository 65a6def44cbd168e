#pragma once
// The window-system side of the platform layer: message boxes as windows and the message pump.

namespace varlo {

// Message boxes become wxMessageBox windows captioned "Varlo".
void InstallGuiMessageBoxes();
// PumpMessage dispatches at most one pending event of the toolkit; a download waiting for the
// network dispatches what is pending.
void InstallGuiMessagePump();
// Shows "メモリが不足しています": what the user sees when an action ran out of memory.
void ReportOutOfMemory();

}  // namespace varlo
