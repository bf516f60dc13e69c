#pragma once

namespace kestrow {

// Attaches to the console of the process that started this one, when it has one, and
// binds standard output to it, so that a GUI-subsystem program can still report to a
// command prompt. Output redirected to a file or a pipe stays where it was sent; without
// a parent console standard output stays as inherited.
void AttachToParentConsole();

// Flushes standard output, detaches from the console and closes what the binding opened.
void ReleaseParentConsole();

} // namespace kestrow
