#include "pagescript.h"

#include <QEventLoop>
#include <QTimer>
#include <QWebEnginePage>

#include <memory>

QVariant evaluateInPage(QWebEnginePage *page, const QString &script, int timeoutMs)
{
    // Shared with the callback, which may come after this function has given up.
    struct Answer
    {
        QVariant value;
        bool arrived = false;
    };
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(page, &QObject::destroyed, &loop, &QEventLoop::quit);
    QEventLoop *waiting = &loop;
    auto stillWaiting = std::make_shared<bool>(true);
    page->runJavaScript(script, [answer, stillWaiting, waiting](const QVariant &result) {
        answer->value = result;
        answer->arrived = true;
        if (*stillWaiting)
            waiting->quit();
    });
    if (!answer->arrived)
        loop.exec();
    *stillWaiting = false;
    return answer->value;
}
