#pragma once

#include <QApplication>
#include <QList>
#include <QPair>
#include <QPrinterInfo>
#include <QSettings>
#include <QSharedPointer>
#include <QString>

// The one application object of the program. It keeps program-wide data in
// class statics, enumerates the printers once after start-up, remembers
// window geometry and carries the signal that announces a newer version.
class Application : public QApplication
{
    Q_OBJECT

public:
    using QApplication::QApplication;

    // The printers and the default printer as the print system reports them.
    typedef QPair<QList<QPrinterInfo>, QPrinterInfo> PrinterQuery;

    static QSharedPointer<QSettings> _settings;
    static QString _applicationProductCode;
    static QString _applicationIconFileName;
    static QString _applicationCopyright;
    static QList<QPrinterInfo> _availablePrinters;
    static QPrinterInfo _defaultPrinter;
    static bool _printersHaveBeenEnumerated;
    static QString _availableUpdateVersion;
    static QString _availableUpdateURL;
    // Addresses of the widgets whose geometry has been restored once; kept as
    // objects so that a widget can be found again inside its destroyed().
    static QList<QObject*> _widgetOpened;
    // Where the printers come from; a test puts a machine of its own here.
    static PrinterQuery (*_queryPrinters)();

    void enumeratePrintersInThread();

    // The key is the widget's class name when empty.
    static bool restoreWidgetGeometry(QWidget* widget, const QString& key);
    static void saveWidgetGeometry(QWidget* widget, const QString& key);
    static void msleep(unsigned int milliseconds);

signals:
    void _EnumeratedPrinters(QList<QPrinterInfo> printers, QPrinterInfo defaultPrinter);
    void PrintersEnumerated();
    void UpdateAvailable(const QString& version, const QString& url);

private slots:
    void enumeratedPrinters(QList<QPrinterInfo> printers, QPrinterInfo defaultPrinter);
    void removeWidgetOpened(QObject* object);

public slots:
    void enumeratePrinters();
};
