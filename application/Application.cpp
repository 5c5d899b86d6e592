#include "Application.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QPrinter>
#include <QWaitCondition>
#include <QWidget>

namespace {

Application::PrinterQuery queryPrintSystem()
{
    return {QPrinterInfo::availablePrinters(), QPrinterInfo::defaultPrinter()};
}

QString geometryKey(QWidget* widget, const QString& key)
{
    return key.isEmpty() ? QString::fromLatin1(widget->metaObject()->className()) : key;
}

} // namespace

QSharedPointer<QSettings> Application::_settings;
QString Application::_applicationProductCode;
QString Application::_applicationIconFileName;
QString Application::_applicationCopyright;
QList<QPrinterInfo> Application::_availablePrinters;
QPrinterInfo Application::_defaultPrinter;
bool Application::_printersHaveBeenEnumerated = false;
QString Application::_availableUpdateVersion;
QString Application::_availableUpdateURL;
QList<QObject*> Application::_widgetOpened;
Application::PrinterQuery (*Application::_queryPrinters)() = queryPrintSystem;

void Application::enumeratePrinters()
{
    connect(this, &Application::_EnumeratedPrinters, this, &Application::enumeratedPrinters,
            Qt::UniqueConnection);
    enumeratePrintersInThread();
}

void Application::enumeratePrintersInThread()
{
    const PrinterQuery found = _queryPrinters();
    emit _EnumeratedPrinters(found.first, found.second);
}

void Application::enumeratedPrinters(QList<QPrinterInfo> printers, QPrinterInfo defaultPrinter)
{
    // The stored default is the printer a native printer made on the reported
    // one resolves to.
    QPrinter printer(defaultPrinter, QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::NativeFormat);
    _availablePrinters = printers;
    _defaultPrinter = QPrinterInfo(printer);
    _printersHaveBeenEnumerated = true;
    emit PrintersEnumerated();
}

void Application::removeWidgetOpened(QObject* object)
{
    // Inside destroyed() the widget part is gone already: only the address
    // identifies it.
    _widgetOpened.removeAll(object);
}

bool Application::restoreWidgetGeometry(QWidget* widget, const QString& key)
{
    if (_widgetOpened.contains(widget))
        return false;
    _widgetOpened.append(widget);
    if (auto* application = qobject_cast<Application*>(QCoreApplication::instance()))
        connect(widget, &QObject::destroyed, application, &Application::removeWidgetOpened);
    else
        connect(widget, &QObject::destroyed, [](QObject* object) { _widgetOpened.removeAll(object); });

    if (!_settings)
        return false;
    const QVariant stored = _settings->value(geometryKey(widget, key));
    if (!stored.isValid())
        return false;
    widget->restoreGeometry(stored.toByteArray());
    return true;
}

void Application::saveWidgetGeometry(QWidget* widget, const QString& key)
{
    if (_settings)
        _settings->setValue(geometryKey(widget, key), widget->saveGeometry());
}

void Application::msleep(unsigned int milliseconds)
{
    QMutex mutex;
    QWaitCondition nothingWakesThis;
    QMutexLocker locker(&mutex);
    // A spurious wake-up returns early; only the deadline ends the sleep.
    const QDeadlineTimer deadline(qint64(milliseconds), Qt::PreciseTimer);
    while (!deadline.hasExpired())
        nothingWakesThis.wait(&mutex, deadline);
}
