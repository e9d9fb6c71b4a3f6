#pragma once

#include <QByteArray>
#include <QString>

#include <csignal>
#include <sys/resource.h>

// Files for the transfer tests.
QByteArray testPattern(int size);         // bytes that differ from one position to the next
QByteArray readFile(const QString &name); // "<missing>" when it cannot be read
bool writeFile(const QString &name, const QByteArray &content);

// While it lives, the files of this process may grow to at most the given size, and SIGXFSZ is
// ignored, so a write past the limit fails with EFBIG instead of ending the process: a disk
// that fills up, for one transfer.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    Q_DISABLE_COPY_MOVE(FileSizeLimit)

    bool isActive() const { return active; }

private:
    struct rlimit saved = {};
    void (*previousHandler)(int) = SIG_DFL;
    bool active = false;
};
