#pragma once

#include <QString>

// An installed copy of the program lives in <prefix>/bin with its read-only data in
// <prefix>/share/minivideoplayersv; a build tree or a portable copy has no such folder.
// Returns that data folder for a program in programFolder, or an empty string when the program
// does not run from an installed layout.
QString installedDataFolder(const QString &programFolder);
