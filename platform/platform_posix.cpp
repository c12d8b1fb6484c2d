// Placeholder bodies; the real layer replaces them.
#include "platform/platform.h"

namespace platform {
std::string ExecutablePath() { return {}; }
char PathSeparator() { return '/'; }
bool SetCurrentDirectory(const std::string&) { return false; }
std::string CurrentDirectory() { return {}; }
bool DirectoryEntryExists(const std::string&) { return false; }
std::string ComputerName() { return {}; }
uint32_t TickCount() { return 0; }
bool ReadMemoryFigures(MemoryFigures&) { return false; }
std::vector<std::string> LocalIPv4Addresses() { return {}; }
std::string SendBroadcastDatagram(const std::string&, const std::string&, int) { return "stub"; }
std::string SendDatagram(const std::string&, const std::string&, int) { return "stub"; }
CivilTime LocalNow() { return {}; }
bool LocalToUniversal(const CivilTime&, CivilTime&) { return false; }
void Beep(int, int) {}
std::string ReplaceFileAtomically(const std::string&, const std::string&, bool) { return "stub"; }
std::string AppendToFile(const std::string&, const std::string&) { return "stub"; }
bool ReadWholeFile(const std::string&, std::string&) { return false; }
void RemoveStaleTemporaryFiles(const std::string&) {}
struct RunLock {};
RunLock* AcquireRunLock(const std::string&, int) { return nullptr; }
void ReleaseRunLock(RunLock*) {}
}  // namespace platform
