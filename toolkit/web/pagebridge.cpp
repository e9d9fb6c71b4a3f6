#include "pagebridge.h"

#include <QFile>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace QT_EXT {

namespace {

QString channelClient()
{
    static const QString client = [] {
        QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }();
    return client;
}

} // namespace

void publishToPage(QWebEnginePage *page, const QString &name, QObject *object)
{
    QWebChannel *channel = page->webChannel();
    if (!channel) {
        channel = new QWebChannel(page);
        page->setWebChannel(channel);
    }
    if (QObject *previous = channel->registeredObjects().value(name))
        channel->deregisterObject(previous);
    channel->registerObject(name, object);

    const QString scriptName = QStringLiteral("publish:") + name;
    if (!page->scripts().find(scriptName).isEmpty())
        return;
    QWebEngineScript script;
    script.setName(scriptName);
    script.setSourceCode(channelClient() +
                         QStringLiteral("\nnew QWebChannel(qt.webChannelTransport, function "
                                        "(channel) { window['%1'] = channel.objects['%1']; });\n")
                             .arg(name));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    page->scripts().insert(script);
}

} // namespace QT_EXT
