#include "pagescript.h"

#include "json.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

QVariant evaluateInPage(QWebEnginePage *page, const QString &script, int timeoutMs)
{
    // Shared with the callback, which may come after this function has given up.
    struct Answer
    {
        QVariant value;
        bool arrived = false;
        QEventLoop *waiting = nullptr;
    };
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(page, &QObject::destroyed, &loop, &QEventLoop::quit);
    answer->waiting = &loop;
    page->runJavaScript(script, [answer](const QVariant &result) {
        answer->value = result;
        answer->arrived = true;
        if (answer->waiting)
            answer->waiting->quit();
    });
    if (!answer->arrived)
        loop.exec();
    answer->waiting = nullptr;
    if (!answer->arrived)
        qWarning("evaluateInPage: no answer within %d ms to: %s", timeoutMs, qPrintable(script));
    return answer->value;
}

QRect elementRect(QWebEnginePage *page, const QString &selector)
{
    const QVariantList box =
        evaluateInPage(page, QStringLiteral("(function (s) { var e = document.querySelector(s);"
                                            " if (!e) return []; var r = e.getBoundingClientRect();"
                                            " return [r.left, r.top, r.width, r.height]; })(%1)")
                                 .arg(QT_EXT::toJson(selector)))
            .toList();
    if (box.size() != 4)
        return QRect();
    const qreal zoom = page->zoomFactor();
    return QRectF(box.at(0).toDouble() * zoom, box.at(1).toDouble() * zoom,
                  box.at(2).toDouble() * zoom, box.at(3).toDouble() * zoom)
        .toAlignedRect();
}

bool clickElement(QWebEngineView *view, const QString &selector)
{
    // A page that was hidden (another page of a stack in front) takes input again once the
    // engine shows it.
    const bool shown = QTest::qWaitFor(
        [view] {
            return evaluateInPage(view->page(), QStringLiteral("document.visibilityState"))
                       .toString() == QLatin1String("visible");
        },
        5000);
    if (!shown)
        qWarning("clickElement: the page is not shown");
    // Input reaches the page once it has drawn frames again: two animation frames later.
    evaluateInPage(view->page(),
                   QStringLiteral("window.mvpFramesDrawn = false; requestAnimationFrame(function () "
                                  "{ requestAnimationFrame(function () { window.mvpFramesDrawn = "
                                  "true; }); });"));
    const bool drawn = QTest::qWaitFor(
        [view] {
            return evaluateInPage(view->page(), QStringLiteral("window.mvpFramesDrawn")).toBool();
        },
        5000);
    if (!drawn)
        qWarning("clickElement: the page draws no frames");
    const QRect rect = elementRect(view->page(), selector);
    QWidget *input = view->focusProxy();
    if (rect.isEmpty() || !input)
        return false;
    // The pointer comes over the element first, as a user's does.
    QTest::mouseMove(input, rect.center());
    QTest::qWait(100);
    QTest::mouseClick(input, Qt::LeftButton, Qt::NoModifier, rect.center());
    return true;
}
