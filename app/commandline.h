#pragma once

// The program's own options, read before the application object exists, so that --help and
// --version answer without a display.
class CommandLine
{
public:
    // Answers --help and --version, refuses unknown options. Returns -1 when the program should
    // go on, otherwise the exit code.
    static int handle(int argc, char **argv);
};
