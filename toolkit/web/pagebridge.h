#pragma once

#include <QString>

class QObject;
class QWebEnginePage;

namespace QT_EXT {

// Makes object reachable by the page's own scripts as window.<name>, in every document the page
// loads from now on: its public slots as functions, its properties (kept up to date through
// their notify signals) as fields. The page gets a web channel and Qt's channel client, run
// before any script of the document. The object appears once the channel has answered, which
// is asynchronous: a script run the moment the document has loaded may not find it yet. A second
// object under the same name replaces the first.
void publishToPage(QWebEnginePage *page, const QString &name, QObject *object);

} // namespace QT_EXT
