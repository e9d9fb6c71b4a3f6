#pragma once

#include <QByteArray>
#include <QString>

// Writes bytes exactly as given to the local server serverName on a connection of their own,
// as a peer that does not go through IPCSocket would (broken messages included), and closes it.
// False when the server cannot be reached or the bytes cannot be written within timeoutMs.
bool sendRawMessage(const QString &serverName, const QByteArray &bytes, int timeoutMs = 2000);
