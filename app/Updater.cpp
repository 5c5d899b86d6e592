#include "Updater.h"

#include "Application.h"

#include <QCoreApplication>
#include <QDate>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QUrl>

namespace {

const QString dateKey = QStringLiteral("LastUpdateCheckDate");
const QString versionKey = QStringLiteral("LastUpdateCheckVersion");
const QString replyKey = QStringLiteral("LastUpdateCheckReply");

bool isInRange(const QDate& date)
{
    return date.isValid() && date.year() >= 2010 && date.year() <= 2099;
}

// The digits of a version joined into one number ("1.23" is 123, "2.0" is 20);
// anything that is not a whole number then reads 0.
qint64 versionNumber(QString version)
{
    bool ok = false;
    const qint64 number = version.remove(QLatin1Char('.')).trimmed().toLongLong(&ok);
    return ok ? number : 0;
}

// Only a web address may reach the update notice, which offers it as a link;
// it is kept percent-encoded so that it cannot close the link's quotes.
QString downloadAddress(const QString& text)
{
    const QUrl url(text, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QString();
    return url.toString(QUrl::FullyEncoded);
}

QString updateHost()
{
    const QByteArray host = qgetenv("VARO_UPDATE_HOST");
    return host.isEmpty() ? Updater::defaultUpdateHost : QString::fromLocal8Bit(host);
}

} // namespace

const QString Updater::defaultUpdateHost;

Updater::Updater() : manager(new QNetworkAccessManager(this))
{
    connect(manager, &QNetworkAccessManager::finished, this, &Updater::parseReply);
}

void Updater::checkForUpdates()
{
    const QSharedPointer<QSettings> settings = Application::_settings;
    if (!settings)
        return;
    const QDate today = QDate::currentDate();
    const QDate lastDate = settings->value(dateKey).toDate();
    const QString version = QCoreApplication::applicationVersion();
    const QString lastReply = settings->value(replyKey).toString();
    const QString lastVersion = settings->value(versionKey).toString();

    const bool due = isInRange(today) && isInRange(lastDate) && lastDate.daysTo(today) > 2;
    if (due || lastVersion != version) {
        const QString host = updateHost();
        // With no host to ask the check ends at once, as a query to a host
        // that is not found does; no request is made.
        if (host.isEmpty())
            parseText(QString());
        else
            sendQuery(host);
        // The date records the asking, not an answer.
        if (today.isValid())
            settings->setValue(dateKey, today);
    } else {
        if (isInRange(lastDate))
            parseText(lastReply);
        if (today.isValid() && (!isInRange(lastDate) || lastDate > today))
            settings->setValue(dateKey, today);
    }
    settings->setValue(versionKey, version);
}

void Updater::sendQuery(const QString& host)
{
    const QString query = QStringLiteral("%1_%2").arg(
        QCoreApplication::applicationName().replace(QLatin1Char(' '), QLatin1Char('-')),
        Application::_applicationProductCode);
    QNetworkRequest request(QUrl(QStringLiteral("http://%1/updates.php?%2").arg(host, query), QUrl::TolerantMode));
    request.setRawHeader("User-Agent", "None");
    QNetworkReply* reply = manager->get(request);
    // The whole body waits in memory until it has arrived, so an outsized one is cut off.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > maximumReplySize)
            reply->abort();
    });
}

void Updater::parseReply(QNetworkReply* reply)
{
    // An outsized reply is no reply: a cut one could hold half a line. One
    // cut off while it arrived is closed already and has nothing to read.
    QByteArray body;
    if (reply->isOpen())
        body = reply->read(maximumReplySize + 1);
    reply->close();
    reply->deleteLater();
    if (body.size() > maximumReplySize)
        body.clear();
    const int nul = body.indexOf('\0');
    if (nul >= 0)
        body.truncate(nul);
    parseText(QString::fromUtf8(body));
}

void Updater::parseText(const QString& text)
{
    const QSharedPointer<QSettings> settings = Application::_settings;
    if (settings)
        settings->setValue(replyKey, text);
    qint64 best = versionNumber(QCoreApplication::applicationVersion());
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
        const QString version = fields.value(1);
        const qint64 number = versionNumber(version);
        const QString address = downloadAddress(fields.value(0));
        if (number <= best || address.isEmpty())
            continue;
        Application::_availableUpdateURL = address;
        Application::_availableUpdateVersion = version;
        if (!version.isEmpty())
            if (Application* application = qobject_cast<Application*>(QCoreApplication::instance()))
                emit application->UpdateAvailable(version, address);
        best = number;
    }
}
