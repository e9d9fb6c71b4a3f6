#include "scriptargument.h"

#include "json.h"

QString scriptStringArgument(const QString &text)
{
    // The JSON escapes are valid in script strings too; the two line separators of Unicode end
    // a script string as well, so they are escaped on top.
    QString escaped = QT_EXT::escapeJsonString(text);
    escaped.replace(QChar(0x2028), QLatin1String("\\u2028"));
    escaped.replace(QChar(0x2029), QLatin1String("\\u2029"));
    return escaped;
}
