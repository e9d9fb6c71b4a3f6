#include "commandline.h"

#include <cstdio>
#include <cstring>

namespace {

const char *const helpText = R"(Usage: MiniVideoPlayerSV [--help] [--version] [Qt options]

The video companion of the Sonvara radio application. Sonvara drives it over the local
socket "MiniVideoPlayerSV" (play this video, set the download folder, show this history,
search, quit) and hears what happens on the local socket "Sonvara". A second start wakes
the running copy and ends.

Settings (hosts, proxy, volume): Quorbel/MiniVideoPlayerSV.ini in the program's folder;
for an installed program, or where that folder cannot be written, in the user's
configuration folder (~/.config/Quorbel/MiniVideoPlayerSV.ini).
Diagnostics: QT_LOGGING_RULES="mvp.*.debug=true".

Options:
  -h, --help     show this text and end
  -v, --version  show the version and end
Qt's own options (-platform, -style, -geometry, ...) are passed on to Qt.
)";

// Qt's options, and whether each takes a value; they are Qt's to read.
struct QtOption
{
    const char *name;
    bool takesValue;
};
const QtOption qtOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"reverse", false},
    {"session", true},
    {"style", true},
    {"stylesheet", true},
    {"widgetcount", false},
    {"geometry", true},
    {"display", true},
    {"name", true},
    {"title", true},
    {"visual", true},
    {"ncols", true},
    {"cmap", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
    {"qmljsdebugger", true},
};

// The option's name without its dashes and an "=value" part.
const char *qtOption(const char *arg, bool *inlineValue)
{
    const char *name = arg + (arg[1] == '-' ? 2 : 1);
    const char *equals = std::strchr(name, '=');
    const size_t length = equals ? size_t(equals - name) : std::strlen(name);
    *inlineValue = equals != nullptr;
    for (const QtOption &option : qtOptions) {
        if (std::strlen(option.name) == length && std::strncmp(option.name, name, length) == 0)
            return option.takesValue ? option.name : "";
    }
    return nullptr;
}

} // namespace

int CommandLine::handle(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            std::fputs(helpText, stdout);
            return 0;
        }
        if (std::strcmp(arg, "-v") == 0 || std::strcmp(arg, "--version") == 0) {
            std::printf("MiniVideoPlayerSV %s\n", MVP_VERSION);
            return 0;
        }
        if (arg[0] != '-') {
            std::fprintf(stderr, "MiniVideoPlayerSV: unexpected argument \"%s\"; see --help\n",
                         arg);
            return 2;
        }
        bool inlineValue = false;
        const char *option = qtOption(arg, &inlineValue);
        if (!option) {
            std::fprintf(stderr, "MiniVideoPlayerSV: unknown option \"%s\"; see --help\n", arg);
            return 2;
        }
        // A Qt option's value is the next argument unless it came with "=".
        if (*option && !inlineValue)
            ++i;
    }
    return -1;
}
