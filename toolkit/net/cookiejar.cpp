#include "cookiejar.h"

#include "cookiefile.h"
#include "messages.h"
#include "netlogging.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QMetaEnum>
#include <QNetworkCookie>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace QT_EXT {

namespace {

const QString policyGroup = QStringLiteral("cookies");
const QString acceptKey = QStringLiteral("acceptCookies");
const QString keepKey = QStringLiteral("keepCookiesUntil");
constexpr int saveDelayMs = 5000;
constexpr int timeLimitDays = 90;

template <typename Enum> QString keyName(Enum value)
{
    return QString::fromLatin1(QMetaEnum::fromType<Enum>().valueToKey(value));
}

template <typename Enum> Enum enumFromKey(const QString &key, Enum fallback)
{
    bool ok = false;
    const int value = QMetaEnum::fromType<Enum>().keyToValue(key.toLatin1().constData(), &ok);
    return ok ? static_cast<Enum>(value) : fallback;
}

bool isExpired(const QNetworkCookie &cookie, const QDateTime &now)
{
    return !cookie.isSessionCookie() && cookie.expirationDate() < now;
}

QStringList sorted(QStringList hosts)
{
    hosts.sort();
    return hosts;
}

} // namespace

CookieJar::CookieJar(QObject *parent, QObject *owner, const QString &dataDirectory)
    : QNetworkCookieJar(parent), m_dataDirectory(dataDirectory), m_owner(owner)
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(saveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &CookieJar::slot_Save);

    if (m_dataDirectory.isEmpty())
        m_dataDirectory = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (m_dataDirectory.isEmpty())
        m_dataDirectory =
            QDir::homePath() + QStringLiteral("/.") + QCoreApplication::applicationName();
    const QDir folder(m_dataDirectory);
    if (!folder.exists())
        folder.mkpath(QStringLiteral("."));
    if (folder.exists())
        m_cookieFile = folder.filePath(QStringLiteral("cookies.ini"));
    else
        qCWarning(lcNet) << "CookieJar::CookieJar cannot create" << m_dataDirectory;
}

CookieJar::~CookieJar()
{
    if (m_keepPolicy == KeepUntilExit)
        clear();
    slot_Save();
}

QList<QNetworkCookie> CookieJar::cookiesForUrl(const QUrl &url) const
{
    if (!m_owner)
        return {};
    const_cast<CookieJar *>(this)->load();
    return QNetworkCookieJar::cookiesForUrl(url);
}

bool CookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &cookieList, const QUrl &url)
{
    if (!m_owner)
        return false;
    load();

    const QString host = url.host();
    const bool blocked =
        std::binary_search(m_blockedCookies.cbegin(), m_blockedCookies.cend(), host);
    const bool allowed =
        std::binary_search(m_allowedCookies.cbegin(), m_allowedCookies.cend(), host);
    const bool allowedForSession = std::binary_search(m_allowForSessionCookies.cbegin(),
                                                      m_allowForSessionCookies.cend(), host);
    const bool accept = m_acceptPolicy == AcceptNever ? (allowed || allowedForSession) : !blocked;
    if (!accept)
        return false;

    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime timeLimit = now.addDays(timeLimitDays);
    bool added = false;
    bool removed = false;
    for (QNetworkCookie cookie : cookieList) {
        // A cookie's value is a credential: the log names the cookie, never its value.
        qCDebug(lcNet).noquote() << QStringLiteral("Network Cookie %1 from %2, domain %3")
                                        .arg(QString::fromUtf8(cookie.name()), host,
                                             cookie.domain());
        if (m_keepPolicy == KeepUntilTimeLimit && !cookie.isSessionCookie() &&
            cookie.expirationDate() > timeLimit)
            cookie.setExpirationDate(timeLimit);
        // Cookies that the base jar refuses set cookies for another site or for a whole
        // public suffix; storing them anyway would let one site plant cookies for another, so
        // a refusal stands under every policy.
        const int countBefore = allCookies().size();
        if (QNetworkCookieJar::setCookiesFromUrl({cookie}, url))
            added = true;
        else if (isExpired(cookie, now) && allCookies().size() < countBefore)
            removed = true; // the server deleted a cookie: the file must forget it too
    }
    if (added || removed)
        scheduleSave();
    return added;
}

QObject *CookieJar::owner() const
{
    return m_owner;
}

CookieJar::AcceptPolicy CookieJar::acceptPolicy() const
{
    const_cast<CookieJar *>(this)->load();
    return m_acceptPolicy;
}

void CookieJar::setAcceptPolicy(AcceptPolicy policy)
{
    load();
    if (policy == m_acceptPolicy)
        return;
    m_acceptPolicy = policy;
    scheduleSave();
}

CookieJar::KeepPolicy CookieJar::keepPolicy() const
{
    const_cast<CookieJar *>(this)->load();
    return m_keepPolicy;
}

void CookieJar::setKeepPolicy(KeepPolicy policy)
{
    load();
    if (policy == m_keepPolicy)
        return;
    m_keepPolicy = policy;
    scheduleSave();
}

QStringList CookieJar::blockedCookies() const
{
    const_cast<CookieJar *>(this)->load();
    return m_blockedCookies;
}

void CookieJar::setBlockedCookies(const QStringList &hosts)
{
    load();
    m_blockedCookies = sorted(hosts);
    scheduleSave();
}

QStringList CookieJar::allowedCookies() const
{
    const_cast<CookieJar *>(this)->load();
    return m_allowedCookies;
}

void CookieJar::setAllowedCookies(const QStringList &hosts)
{
    load();
    m_allowedCookies = sorted(hosts);
    scheduleSave();
}

QStringList CookieJar::allowForSessionCookies() const
{
    const_cast<CookieJar *>(this)->load();
    return m_allowForSessionCookies;
}

void CookieJar::setAllowForSessionCookies(const QStringList &hosts)
{
    load();
    m_allowForSessionCookies = sorted(hosts);
    scheduleSave();
}

void CookieJar::dumpCookies() const
{
    const_cast<CookieJar *>(this)->load();
    QStringList lines;
    const QList<QNetworkCookie> cookies = allCookies();
    for (const QNetworkCookie &cookie : cookies) {
        lines << QStringList{cookie.domain(),
                             QString::fromUtf8(cookie.name()),
                             cookie.path(),
                             cookie.isSecure() ? QStringLiteral("true") : QStringLiteral("false"),
                             cookie.expirationDate().toString(Qt::ISODate),
                             QString::fromUtf8(cookie.value())}
                     .join(QLatin1Char(','));
    }
    msgInformation(lines.join(QLatin1Char('\n')));
}

void CookieJar::clear()
{
    load();
    setAllCookies({});
    // The cleared jar is written too, or the old cookies would come back on the next start.
    if (!m_saveNeeded)
        startSaveTimer();
    emit cookiesChanged();
}

void CookieJar::loadSettings()
{
    load();
    QSettings settings;
    settings.beginGroup(policyGroup);
    m_acceptPolicy =
        enumFromKey(settings.value(acceptKey).toString(), AcceptOnlyFromSitesNavigatedTo);
    m_keepPolicy = enumFromKey(settings.value(keepKey).toString(), KeepUntilExpire);
    if (m_keepPolicy == KeepUntilExit)
        setAllCookies({});
    scheduleSave();
}

void CookieJar::slot_Save()
{
    if (!m_saveNeeded)
        return;
    m_saveTimer.stop();
    save();
    m_saveNeeded = false;
}

void CookieJar::load()
{
    if (m_loaded)
        return;
    // Set first: the operations called below load on their own.
    m_loaded = true;
    if (m_cookieFile.isEmpty())
        return;

    const CookieFile::Contents saved = CookieFile::read(m_cookieFile);
    setAllCookies(saved.cookies);
    m_blockedCookies = sorted(saved.blocked);
    m_allowedCookies = sorted(saved.allowed);
    m_allowForSessionCookies = sorted(saved.allowForSession);
    loadSettings();
}

void CookieJar::save()
{
    if (m_cookieFile.isEmpty())
        return;
    load();
    purgeOldCookies();

    QList<QNetworkCookie> persistent = allCookies();
    persistent.erase(std::remove_if(persistent.begin(), persistent.end(),
                                    [](const QNetworkCookie &c) { return c.isSessionCookie(); }),
                     persistent.end());

    const CookieFile::Contents contents{persistent, m_blockedCookies, m_allowedCookies,
                                        m_allowForSessionCookies};
    if (!CookieFile::write(m_cookieFile, contents))
        qCWarning(lcNet) << "CookieJar::save cannot write" << m_cookieFile;

    QSettings settings;
    settings.beginGroup(policyGroup);
    settings.setValue(acceptKey, keyName(m_acceptPolicy));
    settings.setValue(keepKey, keyName(m_keepPolicy));
}

void CookieJar::purgeOldCookies()
{
    QList<QNetworkCookie> cookies = allCookies();
    const QDateTime now = QDateTime::currentDateTime();
    const auto expired =
        std::remove_if(cookies.begin(), cookies.end(),
                       [&now](const QNetworkCookie &c) { return isExpired(c, now); });
    if (expired == cookies.end())
        return;
    cookies.erase(expired, cookies.end());
    setAllCookies(cookies);
    scheduleSave();
}

void CookieJar::scheduleSave()
{
    if (m_saveNeeded)
        return;
    startSaveTimer();
    emit cookiesChanged();
}

void CookieJar::startSaveTimer()
{
    m_saveNeeded = true;
    m_saveTimer.start();
}

} // namespace QT_EXT
