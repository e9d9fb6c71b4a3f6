#pragma once

#ifdef Q_OS_WIN
// Keeps Qt from creating registry keys of its own (those under its vendor key "Trolltech") for
// the rest of this process' life.
void installRegistryGuard();
#endif
