// libFuzzer target: the saved cookies as the cookie jar reads them back from its file. The file
// keeps them as a variant of the jar's own stream form; the input is that stream after the
// variant's type header, read exactly as the jar reads the file's value. Whatever is read must be
// usable by the jar, must write again, and must read back from what was written unchanged.
#include "cookiefile.h"
#include "cookiejar.h"

#include <QCoreApplication>
#include <QNetworkCookie>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QByteArray *currentInput = nullptr;

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_cookies: %s\ninput (percent-encoded): %s\n", what,
                 currentInput ? currentInput->toPercentEncoding().constData() : "");
    std::abort();
}

// Opens the jar's store to the target.
class Jar : public QT_EXT::CookieJar
{
public:
    using QT_EXT::CookieJar::CookieJar;
    using QT_EXT::CookieJar::allCookies;
    using QT_EXT::CookieJar::setAllCookies;
};

QByteArray written(const QList<QNetworkCookie> &cookies)
{
    return QT_EXT::CookieFile::variantBytes(cookies);
}

QList<QNetworkCookie> read(const QByteArray &bytes)
{
    return QT_EXT::CookieFile::cookiesFromVariantBytes(bytes);
}

QList<QByteArray> rawForms(const QList<QNetworkCookie> &cookies)
{
    QList<QByteArray> forms;
    for (const QNetworkCookie &cookie : cookies)
        forms << cookie.toRawForm(QNetworkCookie::Full);
    return forms;
}

QTemporaryDir *folder = nullptr;
QObject *owner = nullptr;
Jar *jar = nullptr;
// The variant's type header that comes before the jar's stream.
QByteArray header;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir;
    // The jar keeps its policies in the application's settings: those of this run only.
    qputenv("XDG_CONFIG_HOME", folder->filePath(QStringLiteral("config")).toLocal8Bit());
    QCoreApplication::setOrganizationName(QStringLiteral("fuzz_cookies"));
    QCoreApplication::setApplicationName(QStringLiteral("fuzz_cookies"));
    owner = new QObject;
    jar = new Jar(nullptr, owner, folder->filePath(QStringLiteral("data")));
    // The first use loads the (missing) file.
    jar->blockedCookies();
    // An empty list is the version and a count of 0 after the header.
    const QByteArray empty = written({});
    header = empty.left(empty.size() - 8);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    currentInput = &input;

    const QList<QNetworkCookie> cookies = read(header + input);

    // The jar takes them as loaded and answers with them.
    jar->setAllCookies(cookies);
    for (const QNetworkCookie &cookie : cookies) {
        QString domain = cookie.domain();
        if (domain.startsWith(QLatin1Char('.')))
            domain.remove(0, 1);
        const QUrl url(QStringLiteral("http://") + domain + cookie.path());
        if (url.isValid())
            jar->cookiesForUrl(url);
    }
    check(jar->allCookies().size() == cookies.size(), "the jar did not keep what it loaded");

    // Saved and loaded again, the cookies come back as they were.
    const QList<QNetworkCookie> again = read(written(cookies));
    check(rawForms(again) == rawForms(cookies), "saved cookies read back differently");
    jar->setAllCookies({});
    currentInput = nullptr;
    return 0;
}
