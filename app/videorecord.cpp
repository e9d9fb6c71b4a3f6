#include "videorecord.h"

#include "json.h"

#include <QVariantMap>

void VideoRecord::fromJson(const QString &json)
{
    const QVariantMap map = QT_EXT::parseJson(json).toMap();
    m_id.clear();
    m_url.clear();
    m_title.clear();
    m_thumbnail.clear();
    m_duration.clear();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString &key = it.key();
        if (key == QLatin1String("id"))
            m_id = it.value().toString();
        else if (key == QLatin1String("title"))
            m_title = it.value().toString();
        else if (key == QLatin1String("url"))
            m_url = it.value().toString();
        else if (key == QLatin1String("thumbnail"))
            m_thumbnail = it.value().toString();
        else if (key == QLatin1String("duration"))
            m_duration = it.value().toString();
    }
}

QSharedPointer<VideoRecord> VideoRecord::findById(const VideoRecordList &list, const QString &id)
{
    for (const QSharedPointer<VideoRecord> &record : list) {
        if (record->id() == id)
            return record;
    }
    return {};
}

bool VideoRecord::removeById(VideoRecordList &list, const QString &id)
{
    for (int i = 0; i < list.size(); ++i) {
        if (list.at(i)->id() == id) {
            list.removeAt(i);
            return true;
        }
    }
    return false;
}
