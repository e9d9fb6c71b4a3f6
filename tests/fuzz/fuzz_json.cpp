// libFuzzer target: parseJson on arbitrary text, with write/read-back checks.
#include "json.h"

#include <QString>
#include <QVariant>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what, const QString &input)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_json: %s\ninput: %s\n", what, input.toUtf8().constData());
    std::abort();
}

bool isEmptyContainer(const QVariant &v)
{
    return (v.userType() == QMetaType::QVariantMap && v.toMap().isEmpty()) ||
           (v.userType() == QMetaType::QVariantList && v.toList().isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));

    bool ok = false;
    const QVariant value = QT_EXT::parseJson(input, ok);
    if (!ok) {
        check(!value.isValid() || isEmptyContainer(value),
              "a failed read gave more than an invalid value or an empty container", input);
        return 0;
    }

    // Everything the reader produces is of a type the writer handles, and the written text
    // reads back to a tree that writes the same again.
    const QString written = QT_EXT::toJson(value);
    check(!written.isNull(), "a read value could not be written", input);
    bool again = false;
    const QVariant back = QT_EXT::parseJson(written, again);
    check(again, "written text did not read back", input);
    check(QT_EXT::toJson(back) == written, "read-back value wrote differently", input);
    return 0;
}
