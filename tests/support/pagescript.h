#pragma once

#include <QString>
#include <QVariant>

class QWebEnginePage;

// Runs a script in the page and waits for its result (the engine answers asynchronously); an
// invalid value when the page gives none within timeoutMs.
QVariant evaluateInPage(QWebEnginePage *page, const QString &script, int timeoutMs = 10000);
