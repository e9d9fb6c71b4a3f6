#pragma once

// Keeps Qt from creating registry keys of its own (those under its vendor key "Trolltech"):
// RegCreateKeyExW of advapi32 is diverted, inside this process only, to a replacement that
// refuses such keys and passes every other call on. Windows only; no Qt in here, so that the
// Windows test program builds it as the player does.
#ifdef _WIN32
// Returns whether the diversion is in place; the program runs on without it when not.
bool installRegistryGuard();
// Writes the saved code back, so RegCreateKeyExW is the system's own again.
void removeRegistryGuard();
#endif
