#pragma once

#include <QObject>
#include <QString>

class AppBrowser;

// What the page script of an AppBrowser sees as the window object AppBrowserEvents, through
// the page's web channel: the texts the program and the page hand each other. The pages'
// subclasses add the calls the page makes. A small object of its own rather than the view, so
// the page sees these names and nothing of the widget.
class AppBrowserEvents : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString json READ json WRITE setJson NOTIFY jsonChanged)
    Q_PROPERTY(QString html READ html WRITE setHtml NOTIFY htmlChanged)

public:
    explicit AppBrowserEvents(AppBrowser *browser);

    QString json() const;
    void setJson(const QString &text);
    QString html() const;
    void setHtml(const QString &text);

signals:
    void jsonChanged();
    void htmlChanged();

protected:
    AppBrowser *browser;
};
