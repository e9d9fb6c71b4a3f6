#pragma once

#include <QString>

// Escapes text for the inside of a single-quoted script string, so that an apostrophe or a
// crafted text reaches the page as data and can neither break the call nor run script. Text
// without quotes, backslashes or control characters is returned unchanged.
QString scriptStringArgument(const QString &text);
