#include "siteserverprocess.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QSettings>

SiteServerProcess::~SiteServerProcess()
{
    // Here only after a test that failed before its stop(); that failure is reported already.
    end();
}

QString SiteServerProcess::program()
{
    return QStringLiteral(SITE_SERVER_PROGRAM);
}

QString SiteServerProcess::dataDir()
{
    return QStringLiteral(SITE_SERVER_DATA_DIR);
}

QString SiteServerProcess::mediaDir()
{
    return QStringLiteral(SITE_SERVER_MEDIA_DIR);
}

bool SiteServerProcess::start(const QStringList &extraArguments, QString &error)
{
    return startOn(0, 0, extraArguments, error);
}

bool SiteServerProcess::startOn(int makerPort, int videoPort, const QStringList &extraArguments,
                                QString &error)
{
    QStringList arguments{QStringLiteral("--maker-port"), QString::number(makerPort),
                          QStringLiteral("--video-port"), QString::number(videoPort)};
    arguments += extraArguments;
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(program(), arguments);
    if (!m_process.waitForStarted(5000)) {
        error = QStringLiteral("cannot start %1: %2").arg(program(), m_process.errorString());
        return false;
    }
    static const QRegularExpression ports(
        QStringLiteral("^site-server: maker [^ ]+:(\\d+) video_site [^ ]+:(\\d+)$"));
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(100)) {
            if (m_process.state() == QProcess::NotRunning) {
                error = QStringLiteral("site-server ended: %1")
                            .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
                return false;
            }
            continue;
        }
        while (m_process.canReadLine()) {
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            const QRegularExpressionMatch match = ports.match(line);
            if (match.hasMatch()) {
                m_makerPort = match.captured(1).toInt();
                m_videoPort = match.captured(2).toInt();
                m_started = true;
                return true;
            }
        }
    }
    error = QStringLiteral("site-server did not report its ports");
    return false;
}

bool SiteServerProcess::stop(QString &error)
{
    if (!m_started) {
        end();
        return true;
    }
    m_started = false;
    const auto lastErrors = [this] {
        return QString::fromLocal8Bit(m_process.readAllStandardError().right(4000));
    };
    if (m_process.state() == QProcess::NotRunning) {
        error = QStringLiteral("site-server ended before it was stopped (%1): %2")
                    .arg(m_process.exitStatus() == QProcess::CrashExit
                             ? QStringLiteral("crashed")
                             : QStringLiteral("exit status %1").arg(m_process.exitCode()),
                         lastErrors());
        return false;
    }
    m_process.terminate();
    // The server lets its open connections end first, and keeps an idle keep-alive connection
    // (a network access manager's) for up to 5 s.
    if (!m_process.waitForFinished(15000)) {
        end();
        error = QStringLiteral("site-server was still running 15 s after SIGTERM: %1")
                    .arg(lastErrors());
        return false;
    }
    if (m_process.exitStatus() == QProcess::CrashExit) {
        error = QStringLiteral("site-server crashed on SIGTERM: %1").arg(lastErrors());
        return false;
    }
    if (m_process.exitCode() != 0) {
        error = QStringLiteral("site-server ended with exit status %1: %2")
                    .arg(m_process.exitCode())
                    .arg(lastErrors());
        return false;
    }
    return true;
}

bool SiteServerProcess::kill()
{
    m_started = false;
    m_process.kill();
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(5000);
}

void SiteServerProcess::end()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

QString SiteServerProcess::makerAddress() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_makerPort);
}

QString SiteServerProcess::videoAddress() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_videoPort);
}

QUrl SiteServerProcess::makerUrl(const QString &pathAndQuery) const
{
    return QUrl(QStringLiteral("http://") + makerAddress() + pathAndQuery);
}

QUrl SiteServerProcess::videoUrl(const QString &pathAndQuery) const
{
    return QUrl(QStringLiteral("http://") + videoAddress() + pathAndQuery);
}

void SiteServerProcess::writePlayerHosts(const QString &iniPath) const
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.setValue(QStringLiteral("hosts/maker"), makerAddress());
    ini.setValue(QStringLiteral("hosts/video_site"), videoAddress());
    ini.setValue(QStringLiteral("hosts/lyrics_service"),
                 QStringLiteral("http://%1/lyrics/").arg(makerAddress()));
    ini.setValue(QStringLiteral("hosts/lyrics_wiki"),
                 QStringLiteral("http://%1/lyricswiki/").arg(makerAddress()));
}
