#pragma once
// The record ShellExecuteExA gets to open a document.
#include "platform/shell.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

namespace tz::win32 {

// `ansiFile` must outlive the record. Verb "open", the started process's
// handle kept (the caller closes it), a normal window, no parameters and no
// directory. The size is that of the record on this platform: 112 bytes on
// x64, 60 only on 32-bit Windows.
SHELLEXECUTEINFOA openRecord(const char* ansiFile, WindowHandle owner);

} // namespace tz::win32
