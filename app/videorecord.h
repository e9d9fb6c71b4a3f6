#pragma once

#include <QList>
#include <QSharedPointer>
#include <QString>

class VideoRecord;
// Records are shared between lists; a list holds them oldest first.
using VideoRecordList = QList<QSharedPointer<VideoRecord>>;

// One video as the pages report it: five texts, whose JSON form is an object with the keys
// "id", "url", "title", "thumbnail" and "duration".
class VideoRecord
{
public:
    const QString &id() const { return m_id; }
    const QString &url() const { return m_url; }
    const QString &title() const { return m_title; }
    const QString &thumbnail() const { return m_thumbnail; }
    const QString &duration() const { return m_duration; }

    // Empties the record, then takes each of the five keys that json holds; other keys and
    // text that is no JSON object leave the fields empty.
    void fromJson(const QString &json);

    // The first record with the id, or null.
    static QSharedPointer<VideoRecord> findById(const VideoRecordList &list, const QString &id);
    // Removes the first record with the id; false when there was none.
    static bool removeById(VideoRecordList &list, const QString &id);

private:
    QString m_id;
    QString m_url;
    QString m_title;
    QString m_thumbnail;
    QString m_duration;
};
