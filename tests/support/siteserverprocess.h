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
    // Ends the server (SIGTERM; SIGKILL if it is still there 15 s later) and says whether it lived
    // and ended as it should: running until asked, then exit status 0. A server that crashed,
    // ended early or ended with a sanitizer report (leaks included) fails with a message that
    // holds its last standard error; a test that starts a server calls this and verifies it.
    // Nothing to judge without a server started since the last stop() or kill().
    [[nodiscard]] bool stop(QString &error);
    // Ends the server at once with SIGKILL, as a machine that loses it would; false if it is
    // still there 5 s later.
    [[nodiscard]] bool kill();

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
    void end();

    QProcess m_process;
    // Started and neither stopped nor killed since: stop() judges how it ended.
    bool m_started = false;
    int m_makerPort = 0;
    int m_videoPort = 0;
};
