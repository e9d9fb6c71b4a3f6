#pragma once

#include <QString>
#include <QStringList>

// One command for the player: its number and payload.
struct CompanionCommandText
{
    uint number = 0;
    QString payload;
};

// Builds the command of a convenience sub-command; false with an error text when the arguments
// do not fit.
bool commandForSubcommand(const QString &name, const QStringList &args, CompanionCommandText *cmd,
                          QString *error);
