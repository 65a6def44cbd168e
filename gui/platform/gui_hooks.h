#pragma once
// The window-system side of the platform layer: message boxes as windows and the message pump.

namespace varlo {

// Message boxes become wxMessageBox windows captioned "Varlo".
void InstallGuiMessageBoxes();
// PumpMessage dispatches at most one pending event of the toolkit.
void InstallGuiMessagePump();

}  // namespace varlo
