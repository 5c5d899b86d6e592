#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QMutex>

#include <functional>

// Pictures that the pages of one laid-out report draw again and again: the
// grey skeleton of the structure as a plate's camera sees it, and the
// pictures captured from the 3D view. Each is made once, by whichever page
// needs it first, and shared by every painter of the report, so that a page
// costs what it shows however large the model, and a PDF file holds each
// picture once. Safe to use from several threads at once.
class ReportPictures
{
public:
    // The picture for the key, made by `make` when there is none yet. It is
    // made without the lock held: making one may wait for the GUI thread,
    // which may itself be painting a page. A null picture is not kept.
    QImage picture(const QByteArray& key, const std::function<QImage()>& make);

    int count() const;

    // Beyond this the oldest pictures are dropped; a page that needs one
    // again makes it again.
    static const qint64 budgetBytes = qint64(192) << 20;

private:
    mutable QMutex mutex;
    QHash<QByteArray, QImage> pictures;
    QList<QByteArray> order;
    qint64 bytes = 0;
};
