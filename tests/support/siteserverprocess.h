#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

// Runs the real site-server on free ports for the length of a test.
class SiteServerProcess
{
public:
    SiteServerProcess() = default;
    ~SiteServerProcess();
    Q_DISABLE_COPY_MOVE(SiteServerProcess)

    // Starts the server with --maker-port 0 --video-port 0 and the given extra arguments and
    // waits for the line that names the ports. Returns false with a message on failure.
    bool start(const QStringList &extraArguments, QString &error);
    // The same on the given ports (those of an earlier run, say).
    bool startOn(int makerPort, int videoPort, const QStringList &extraArguments, QString &error);
    void stop();

    int makerPort() const { return m_makerPort; }
    int videoPort() const { return m_videoPort; }
    QString makerAddress() const; // 127.0.0.1:port
    QString videoAddress() const;
    QUrl makerUrl(const QString &pathAndQuery) const;
    QUrl videoUrl(const QString &pathAndQuery) const;
    // Points the player's settings file at iniPath to this server: the maker, the video site
    // and the two lyrics services.
    void writePlayerHosts(const QString &iniPath) const;
    QProcess &process() { return m_process; }

    static QString program();
    static QString dataDir();
    static QString mediaDir();

private:
    QProcess m_process;
    int m_makerPort = 0;
    int m_videoPort = 0;
};
