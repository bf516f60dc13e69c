#pragma once

namespace kestrow {

// Loads the rich edit 2.0 library, which registers the "RichEdit20W" window class that a
// dialog template may name. Loaded from the system folder only, at most once per process, and
// kept loaded until the process ends. True when the library is loaded.
bool InitRichEdit20();

} // namespace kestrow
