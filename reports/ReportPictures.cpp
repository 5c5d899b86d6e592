#include "ReportPictures.h"

#include <QMutexLocker>

QImage ReportPictures::picture(const QByteArray& key, const std::function<QImage()>& make)
{
    {
        const QMutexLocker locker(&mutex);
        const auto found = pictures.constFind(key);
        if (found != pictures.constEnd())
            return found.value();
    }
    const QImage made = make();
    if (made.isNull())
        return made;

    const QMutexLocker locker(&mutex);
    // Another page may have made the same picture meanwhile: one copy is kept and used by all.
    const auto found = pictures.constFind(key);
    if (found != pictures.constEnd())
        return found.value();
    while (!order.isEmpty() && bytes + made.sizeInBytes() > budgetBytes)
        bytes -= pictures.take(order.takeFirst()).sizeInBytes();
    pictures.insert(key, made);
    order.append(key);
    bytes += made.sizeInBytes();
    return made;
}

int ReportPictures::count() const
{
    const QMutexLocker locker(&mutex);
    return pictures.size();
}
