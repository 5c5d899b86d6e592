#pragma once

#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// Asks the maker's update service whether a newer version can be downloaded,
// at most once per start: when the version has changed since the last check
// or when the last query is three or more days old. Between queries it reads
// the reply it stored last time. A newer version goes into the application
// object, which announces it with UpdateAvailable.
class Updater : public QObject
{
    Q_OBJECT

public:
    Updater();

    // The host queried when VARO_UPDATE_HOST names none. It is empty: no
    // query is sent, and the check ends at once as with an empty reply.
    static const QString defaultUpdateHost;
    // A longer reply is dropped unread.
    static const int maximumReplySize = 64 * 1024;

    void checkForUpdates();

private slots:
    void parseReply(QNetworkReply* reply);
    void parseText(const QString& text);

private:
    // The reply arrives at parseReply.
    void sendQuery(const QString& host);

    QNetworkAccessManager* manager;
};
