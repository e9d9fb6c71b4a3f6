#pragma once

#include <QString>

// Where site-server reads from when the command line names no folder.
struct DataFolders
{
    QString web;   // hosted pages
    QString data;  // catalog.json
    QString media; // generated demo media
};

// The folder of the running program file.
QString programFolder();

// An installed copy, <prefix>/bin/<program> beside <prefix>/share/minivideoplayersv, reads the
// folders web/, data/ and media/ there. Anything else (the program in its build tree) reads the
// checkout's web/ and server/data/ and the build's demo-media/. The installed layout wins, so an
// installed copy never reads a build tree that happens to exist on the same machine.
DataFolders defaultDataFolders(const QString &programFolder);
