// Ctrl-C, Ctrl-Break and a closed console window on Windows. The console calls the handler on a
// thread of its own; it removes the temporary output (opened with FILE_SHARE_DELETE, so removing
// it while it is still open works) and ends the process with the status Ctrl-C gives on Linux.
#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "signal_cleanup.h"

namespace ravlin::cli {

namespace {

constexpr int kBrokenPipeStatus = 128 + 13;  // what a shell reports for SIGPIPE on Linux

wchar_t g_path[32768];
std::atomic<bool> g_pathSet{false};
// While set, an event is only noted; the holder acts on it when it lets go.
std::atomic<bool> g_holding{false};
std::atomic<int> g_pendingSignal{0};

void removeRecordedFile() {
  if (g_pathSet.exchange(false)) ::DeleteFileW(g_path);
}

BOOL WINAPI onConsoleEvent(DWORD event) {
  const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? SIGINT : SIGTERM;
  if (g_holding.load()) {
    g_pendingSignal.store(signal);
    return TRUE;
  }
  dieOfSignal(signal);
}

}  // namespace

void installSignalCleanup() {
  ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void setFileToRemoveOnSignal(const char* path) {
  g_pathSet.store(false);
  if (path == nullptr) return;
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, path, -1, g_path,
                                           static_cast<int>(std::size(g_path)));
  if (length > 0) g_pathSet.store(true);
}

CleanupSignalsHeld::CleanupSignalsHeld() {
  g_holding.store(true);
}

void CleanupSignalsHeld::release() {
  if (!held_) return;
  held_ = false;
  g_holding.store(false);
  if (const int signal = g_pendingSignal.load(); signal != 0) dieOfSignal(signal);
}

void dieOfSignal(int signal) {
  removeRecordedFile();
  ::ExitProcess(static_cast<UINT>(128 + signal));
}

void dieOfBrokenPipe() {
  removeRecordedFile();
  ::ExitProcess(kBrokenPipeStatus);
}

}  // namespace ravlin::cli
