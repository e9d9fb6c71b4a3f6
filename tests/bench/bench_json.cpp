// Compares parseJson with QJsonDocument::fromJson on the list page's video list: 50 records of
// id, url, title, thumbnail and duration. Prints the time per parse and the ratio.
#include "json.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QVariant>
#include <algorithm>
#include <functional>

namespace {

QString videoList(int entries)
{
    QVariantList list;
    for (int i = 0; i < entries; ++i) {
        const QString id = QStringLiteral("vid%1_x-Y9").arg(i, 3, 10, QLatin1Char('0'));
        QVariantMap record;
        record.insert(QStringLiteral("id"), id);
        record.insert(QStringLiteral("url"), QStringLiteral("http://127.0.0.1:8311/watch?v=") + id);
        record.insert(QStringLiteral("title"),
                      QStringLiteral("Artist %1 - Song title number %1 (Live at the \"Hall\", it's "
                                     "the encore) \u00e9\u00e8")
                          .arg(i));
        record.insert(QStringLiteral("thumbnail"),
                      QStringLiteral("http://127.0.0.1:8311/vi/%1/default.jpg").arg(id));
        record.insert(QStringLiteral("duration"),
                      QStringLiteral("%1:%2").arg(i % 9 + 2).arg(i % 60, 2, 10, QLatin1Char('0')));
        list.append(record);
    }
    QVariantMap top;
    top.insert(QStringLiteral("entry"), list);
    return QT_EXT::toJson(top);
}

// Best of several rounds, in microseconds per call.
double timePerCall(const std::function<int()> &call, int iterations)
{
    double best = 1e300;
    long long sink = 0;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < iterations; ++i)
            sink += call();
        best = std::min(best, timer.nsecsElapsed() / 1000.0 / iterations);
    }
    if (sink == 42) // keeps the calls from being optimised away
        QTextStream(stdout) << "";
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2000;

    const QString text = videoList(50);
    const QByteArray utf8 = text.toUtf8();

    // Both readers must see the same 50 records before their times mean anything.
    bool ok = false;
    const QVariant ours = QT_EXT::parseJson(text, ok);
    const QJsonDocument theirs = QJsonDocument::fromJson(utf8);
    if (!ok || theirs.isNull() ||
        ours.toMap().value(QStringLiteral("entry")).toList().size() != 50 ||
        theirs.toVariant().toMap().value(QStringLiteral("entry")).toList() !=
            ours.toMap().value(QStringLiteral("entry")).toList()) {
        QTextStream(stderr) << "bench_json: the readers disagree on the input\n";
        return 1;
    }

    const double parse =
        timePerCall([&] { return QT_EXT::parseJson(text).toMap().size(); }, iterations);
    const double qtDocument =
        timePerCall([&] { return QJsonDocument::fromJson(utf8).object().size(); }, iterations);
    const double qtVariant = timePerCall(
        [&] { return QJsonDocument::fromJson(text.toUtf8()).toVariant().toMap().size(); },
        iterations);

    QTextStream out(stdout);
    out.setRealNumberNotation(QTextStream::FixedNotation);
    out.setRealNumberPrecision(2);
    out << "50-entry video list, " << text.size() << " characters, best of 7 x " << iterations
        << " parses\n";
    out << "parseJson (QString to QVariant tree):                " << parse << " us\n";
    out << "QJsonDocument::fromJson (UTF-8 to document):         " << qtDocument << " us\n";
    out << "QJsonDocument::fromJson + toVariant (QString to tree): " << qtVariant << " us\n";
    out << "ratio parseJson / fromJson:                           " << parse / qtDocument << "\n";
    out << "ratio parseJson / fromJson + toVariant:               " << parse / qtVariant << "\n";
    return 0;
}
