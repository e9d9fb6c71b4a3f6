#pragma once

#include <QList>
#include <QNetworkCookieJar>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace QT_EXT {

// A cookie jar that keeps its cookies in "cookies.ini" between runs. Which cookies it takes is
// decided by an accept policy and three per-host exception lists; how long it keeps them by a
// keep policy. Both policies live in the application's settings, group "cookies". Changes are
// written a few seconds after they happen, so a burst of cookies costs one write.
class CookieJar : public QNetworkCookieJar
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CookieJar)
    Q_PROPERTY(AcceptPolicy acceptPolicy READ acceptPolicy WRITE setAcceptPolicy)
    Q_PROPERTY(KeepPolicy keepPolicy READ keepPolicy WRITE setKeepPolicy)
    Q_PROPERTY(QStringList blockedCookies READ blockedCookies WRITE setBlockedCookies)
    Q_PROPERTY(QStringList allowedCookies READ allowedCookies WRITE setAllowedCookies)
    Q_PROPERTY(QStringList allowForSessionCookies READ allowForSessionCookies WRITE
                   setAllowForSessionCookies)

public:
    enum AcceptPolicy
    {
        AcceptAlways = 0,
        AcceptNever = 1,
        AcceptOnlyFromSitesNavigatedTo = 2
    };
    Q_ENUM(AcceptPolicy)

    enum KeepPolicy
    {
        KeepUntilExpire = 0,
        KeepUntilExit = 1,
        KeepUntilTimeLimit = 2
    };
    Q_ENUM(KeepPolicy)

    // The jar hands out and takes cookies only while owner exists. An empty dataDirectory
    // means the application's data folder.
    CookieJar(QObject *parent, QObject *owner, const QString &dataDirectory = QString());
    ~CookieJar() override;

    QList<QNetworkCookie> cookiesForUrl(const QUrl &url) const override;
    // Returns whether any cookie was stored.
    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url) override;
    virtual QObject *owner() const;

    AcceptPolicy acceptPolicy() const;
    void setAcceptPolicy(AcceptPolicy policy);
    KeepPolicy keepPolicy() const;
    void setKeepPolicy(KeepPolicy policy);

    // Host lists, kept sorted: cookies of blocked hosts are refused, those of allowed hosts are
    // taken even when the accept policy refuses them.
    QStringList blockedCookies() const;
    void setBlockedCookies(const QStringList &hosts);
    QStringList allowedCookies() const;
    void setAllowedCookies(const QStringList &hosts);
    QStringList allowForSessionCookies() const;
    void setAllowForSessionCookies(const QStringList &hosts);

    // Shows every cookie in an information box, one line each.
    void dumpCookies() const;

signals:
    void cookiesChanged();

public slots:
    void clear();
    void loadSettings();
    void slot_Save();

private:
    void load();
    void save();
    void purgeOldCookies();
    void scheduleSave();
    void startSaveTimer();

    bool m_loaded = false;
    bool m_saveNeeded = false;
    QString m_dataDirectory;
    // Empty when the folder could not be made: the jar then lives in memory only.
    QString m_cookieFile;
    AcceptPolicy m_acceptPolicy = AcceptOnlyFromSitesNavigatedTo;
    KeepPolicy m_keepPolicy = KeepUntilExpire;
    QPointer<QObject> m_owner;
    QStringList m_blockedCookies;
    QStringList m_allowedCookies;
    QStringList m_allowForSessionCookies;
    QTimer m_saveTimer;
};

} // namespace QT_EXT
