#pragma once

#include <QString>
#include <QRect>
#include <QVariant>

class QWebEnginePage;

// Runs a script in the page and waits for its result (the engine answers asynchronously); an
// invalid value when the page gives none within timeoutMs.
QVariant evaluateInPage(QWebEnginePage *page, const QString &script, int timeoutMs = 10000);

// The rectangle of the first element that matches the CSS selector, in the view's coordinates;
// empty when there is none.
QRect elementRect(QWebEnginePage *page, const QString &selector);

class QWebEngineView;
// Clicks the middle of the first element that matches the selector with the mouse, as a user
// does (the engine's input widget receives the events); false when there is no such element.
bool clickElement(QWebEngineView *view, const QString &selector);
