// Win32 error codes as errno values, shared by the Windows file layer and the command line's
// Windows calls, so that their messages read as on Linux.
#pragma once

namespace ravlin {

// The errno value closest to the Win32 error `error` (GetLastError()); EIO for any other.
int errnoOfWin32(unsigned long error);

}  // namespace ravlin
