#include "catalog.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

QStringList toStringList(const QJsonValue &value)
{
    QStringList list;
    const QJsonArray array = value.toArray();
    for (const QJsonValue &item : array) {
        list.append(item.toString());
    }
    return list;
}

} // namespace

bool Catalog::load(const QString &dataDir, QString &error)
{
    const QString path = dataDir + QStringLiteral("/catalog.json");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (doc.isNull()) {
        error = QStringLiteral("%1: %2 at offset %3")
                    .arg(path, parseError.errorString(), QString::number(parseError.offset));
        return false;
    }

    QVector<CatalogVideo> videos;
    QSet<QString> ids;
    const QJsonArray array = doc.object().value(QStringLiteral("videos")).toArray();
    for (const QJsonValue &value : array) {
        const QJsonObject o = value.toObject();
        CatalogVideo v;
        v.id = o.value(QStringLiteral("id")).toString();
        if (!isWellFormedId(v.id) || ids.contains(v.id)) {
            error = QStringLiteral("%1: bad or repeated video id \"%2\"").arg(path, v.id);
            return false;
        }
        ids.insert(v.id);
        v.title = o.value(QStringLiteral("title")).toString();
        v.artist = o.value(QStringLiteral("artist")).toString();
        v.song = o.value(QStringLiteral("song")).toString();
        v.description = o.value(QStringLiteral("description")).toString();
        v.tags = toStringList(o.value(QStringLiteral("tags")));
        v.duration = o.value(QStringLiteral("duration")).toInt();
        v.published = o.value(QStringLiteral("published")).toString();
        v.views = static_cast<qint64>(o.value(QStringLiteral("views")).toDouble());
        v.rating = o.value(QStringLiteral("rating")).toDouble();
        v.favorites = o.value(QStringLiteral("favorites")).toInt();
        v.popularity = o.value(QStringLiteral("popularity")).toInt();
        v.embeddable = o.value(QStringLiteral("embeddable")).toBool(true);
        v.related = toStringList(o.value(QStringLiteral("related")));
        const QJsonObject media = o.value(QStringLiteral("media")).toObject();
        v.pattern = media.value(QStringLiteral("pattern")).toString(QStringLiteral("smpte"));
        v.frequency = media.value(QStringLiteral("frequency")).toInt(440);
        v.audio = o.value(QStringLiteral("audio")).toBool();
        const QJsonObject lyrics = o.value(QStringLiteral("lyrics")).toObject();
        v.lyricsForm = lyrics.value(QStringLiteral("form")).toString();
        v.lyrics = lyrics.value(QStringLiteral("text")).toString();
        if (!v.lyricsForm.isEmpty() && v.lyricsForm != QLatin1String("results") &&
            v.lyricsForm != QLatin1String("lyrics_body")) {
            error = QStringLiteral("%1: video %2 has the unknown lyrics form \"%3\"")
                        .arg(path, v.id, v.lyricsForm);
            return false;
        }
        if (v.duration <= 0) {
            error = QStringLiteral("%1: video %2 has no duration").arg(path, v.id);
            return false;
        }
        videos.append(v);
    }
    if (videos.isEmpty()) {
        error = QStringLiteral("%1 lists no videos").arg(path);
        return false;
    }
    m_videos = videos;
    return true;
}

const CatalogVideo *Catalog::find(const QString &id) const
{
    for (const CatalogVideo &v : m_videos) {
        if (v.id == id) {
            return &v;
        }
    }
    return nullptr;
}

bool Catalog::topListFromName(const QString &name, TopList &list)
{
    static const struct
    {
        const char *name;
        TopList list;
    } names[] = {
        {"most_popular", TopList::MostPopular},   {"most_viewed", TopList::MostViewed},
        {"most_recent", TopList::MostRecent},     {"top_rated", TopList::TopRated},
        {"top_favorites", TopList::TopFavorites},
    };
    for (const auto &entry : names) {
        if (name == QLatin1String(entry.name)) {
            list = entry.list;
            return true;
        }
    }
    return false;
}

QVector<const CatalogVideo *> Catalog::topList(TopList list) const
{
    QVector<const CatalogVideo *> result;
    for (const CatalogVideo &v : m_videos) {
        result.append(&v);
    }
    auto key = [list](const CatalogVideo *v) -> double {
        switch (list) {
        case TopList::MostPopular:
            return v->popularity;
        case TopList::MostViewed:
            return static_cast<double>(v->views);
        case TopList::MostRecent:
            return 0; // ordered by date below
        case TopList::TopRated:
            return v->rating;
        case TopList::TopFavorites:
            return v->favorites;
        }
        return 0;
    };
    std::stable_sort(result.begin(), result.end(),
                     [list, key](const CatalogVideo *a, const CatalogVideo *b) {
                         if (list == TopList::MostRecent) {
                             return a->published > b->published;
                         }
                         return key(a) > key(b);
                     });
    return result;
}

QVector<const CatalogVideo *> Catalog::related(const QString &id) const
{
    QVector<const CatalogVideo *> result;
    const CatalogVideo *video = find(id);
    if (!video) {
        return result;
    }
    for (const QString &relatedId : video->related) {
        if (const CatalogVideo *r = find(relatedId)) {
            result.append(r);
        }
    }
    return result;
}

QVector<const CatalogVideo *> Catalog::search(const QString &text) const
{
    QVector<const CatalogVideo *> result;
    const QStringList words = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        return result;
    }
    for (const CatalogVideo &v : m_videos) {
        const QString haystack = v.title + QLatin1Char('\n') + v.description + QLatin1Char('\n') +
                                 v.tags.join(QLatin1Char('\n'));
        const bool all = std::all_of(words.begin(), words.end(), [&haystack](const QString &w) {
            return haystack.contains(w, Qt::CaseInsensitive);
        });
        if (all) {
            result.append(&v);
        }
    }
    return result;
}

const CatalogVideo *Catalog::findLyrics(const QString &artist, const QString &song) const
{
    const QString a = artist.trimmed().toLower();
    const QString s = song.trimmed().toLower();
    if (a.isEmpty() && s.isEmpty()) {
        return nullptr;
    }
    for (const CatalogVideo &v : m_videos) {
        if (!v.lyricsForm.isEmpty() && v.artist.trimmed().toLower() == a &&
            v.song.trimmed().toLower() == s) {
            return &v;
        }
    }
    return nullptr;
}

bool Catalog::isWellFormedId(const QString &id)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{11}$"));
    return pattern.match(id).hasMatch();
}
