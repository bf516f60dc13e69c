#pragma once

namespace kestrow {

// Prepares the process for the windows: registers the common controls that the dialog
// templates name beyond the system's own classes. False when that fails.
bool InitDialogFramework();

} // namespace kestrow
