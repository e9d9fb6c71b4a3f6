// libFuzzer target: the file name that a Content-Disposition value gives an attachment, checked
// against the rule step by step and against what a file name saved in a folder may be.
#include "contentdisposition.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QByteArray *currentValue = nullptr;

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_disposition: %s\nvalue: %s\n", what,
                 currentValue ? currentValue->toPercentEncoding().constData() : "");
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray value(reinterpret_cast<const char *>(data), int(size));
    currentValue = &value;

    QString fileName = QStringLiteral("left over");
    const bool attachment = QT_EXT::attachmentFileName(value, fileName);

    QString compact = QString::fromLatin1(value);
    compact.remove(QLatin1Char(' '));
    check(attachment == compact.startsWith(QLatin1String("attachment")),
          "attachment or not decided by something else than the start of the value");
    if (!attachment) {
        check(fileName.isEmpty(), "a value that is no attachment gave a file name");
        return 0;
    }

    // The name that the parts give before it is made safe.
    const QStringList parts = compact.split(QLatin1Char(';'));
    QString named;
    for (int i = 1; i < parts.size(); ++i) {
        if (parts.at(i).startsWith(QLatin1String("filename"))) {
            named = parts.at(i).mid(9);
            named.remove(QLatin1Char('"'));
            break;
        }
    }

    check(!fileName.contains(QLatin1Char(' ')) && !fileName.contains(QLatin1Char('"')),
          "the file name holds a blank or a double quote");
    check(!fileName.contains(QLatin1Char('/')) && !fileName.contains(QLatin1Char('\\')),
          "the file name holds a path separator");
    check(fileName != QLatin1String(".") && fileName != QLatin1String(".."),
          "the file name names a folder");
    check(named.endsWith(fileName), "the file name is not the end of the name the value gives");
    if (!named.contains(QLatin1Char('/')) && !named.contains(QLatin1Char('\\')) &&
        named != QLatin1String(".") && named != QLatin1String(".."))
        check(fileName == named, "a plain name was changed");
    currentValue = nullptr;
    return 0;
}
