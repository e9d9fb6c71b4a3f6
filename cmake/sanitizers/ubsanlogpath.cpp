// Linked into every program of a MVP_SANITIZE=ON build (cmake/Sanitizers.cmake).
//
// GCC links AddressSanitizer and UndefinedBehaviorSanitizer as two runtimes, libasan and
// libubsan, each with its own report file. libubsan applies UBSAN_OPTIONS' log_path by calling
// __sanitizer_set_report_path, which resolves to libasan's copy (loaded first), so its own
// reports stay on standard error: a report of a child process whose output nobody reads is
// lost. At start-up this hands log_path to libubsan's own copy of that function.
//
// libubsan's own set-up, at its first report, still points libasan at UBSAN_OPTIONS' prefix. The
// sanitized build ends the process at that report (-fno-sanitize-recover=undefined), so no
// AddressSanitizer report follows into a file of that name.

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// log_path=<value> from a sanitizer option string (options separated by ':', ',', or blanks).
std::string logPathOption(const char *options)
{
    static const char key[] = "log_path=";
    const char *separators = ":, \t\n";
    for (const char *p = options; *p;) {
        p += std::strspn(p, separators);
        const std::size_t length = std::strcspn(p, separators);
        if (length > sizeof key - 1 && std::strncmp(p, key, sizeof key - 1) == 0)
            return std::string(p + sizeof key - 1, length - (sizeof key - 1));
        p += length;
    }
    return {};
}

__attribute__((constructor)) void setUndefinedBehaviorReportPath()
{
    const char *options = std::getenv("UBSAN_OPTIONS");
    if (!options)
        return;
    static const std::string path = logPathOption(options);
    if (path.empty())
        return;
    void *ubsan = dlopen("libubsan.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (!ubsan)
        return;
    using SetReportPath = void (*)(const char *);
    // dlsym on libubsan's handle finds its own definition before the interposing one.
    if (auto set = reinterpret_cast<SetReportPath>(dlsym(ubsan, "__sanitizer_set_report_path")))
        set(path.c_str());
    dlclose(ubsan);
}

} // namespace
