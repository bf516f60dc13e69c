#pragma once

namespace kestrow {

// Binds standard output to the console of the process that started this one, when it has
// one, so that a GUI-subsystem program can still report to a command prompt. Without a
// parent console standard output stays as inherited (a pipe or file, or nowhere).
void AttachToParentConsole();

// Flushes standard output, detaches from the console and closes what the binding opened.
void ReleaseParentConsole();

} // namespace kestrow
