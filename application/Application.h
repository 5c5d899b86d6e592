#pragma once

#include <QApplication>
#include <QList>
#include <QMargins>
#include <QPair>
#include <QPointer>
#include <QPrinterInfo>
#include <QRect>
#include <QSettings>
#include <QSharedPointer>
#include <QString>

#include <functional>

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

    // The key is the widget's class name when empty. A child window with
    // nothing stored opens at a size that shows its content whole, beside
    // what opened it (see showWidgetBeside) or else centred on its window,
    // and wholly on the screen; one with a stored geometry opens where it
    // was left as seen from its window, also when that is another window.
    static bool restoreWidgetGeometry(QWidget* widget, const QString& key);
    static void saveWidgetGeometry(QWidget* widget, const QString& key);
    // Shows a window as opened by the opener: on its first show it opens
    // beside it, unless a stored geometry places it.
    static void showWidgetBeside(QWidget* widget, QWidget* opener);
    // Widens a shown window whose content has grown past it, within the
    // screen it is on, and keeps it there.
    static void fitWidgetToContent(QWidget* widget);
    // Where a window's frame goes, given the margins of that frame.
    typedef std::function<QRect(const QMargins& frame)> FramePlacement;
    // Puts the window's frame where the placement says. Until the window is
    // framed the margins are those it is likely to get (those of the window
    // it belongs to, else of the framed window given); once framed it is
    // placed again by its own, where they turn out otherwise.
    static void placeFrame(QWidget* window, const FramePlacement& where, const QWidget* framedAlike = nullptr);
    // Places a window not shown yet as a copy of the original, where windows
    // cascade: at its size, the frame about a title bar's height down and
    // right of the original's, or at the left or top of the original's screen
    // where it would reach past the right or bottom; a step smaller where the
    // original fills the screen. Its first show then restores no stored geometry.
    static void placeCascaded(QWidget* window, const QWidget* original);
    // The frame the window system puts round a window: none before it is mapped.
    static QMargins windowFrameMargins(const QWidget* window);
    // The rectangle moved as little as it takes to lie inside the bounds, its
    // top left corner kept inside when it is the larger.
    static QRect movedInside(QRect rect, const QRect& bounds);
    static void msleep(unsigned int milliseconds);
    // The folder, the user's documents folder when none is given, or the
    // home folder when that does not exist: a file dialog handed a missing
    // folder offers the folder's name as the name of the file.
    static QString existingFolder(const QString& folder);
    // Where a dialog that saves a model, or something made of it, starts:
    // the model's name without its suffix, or "Untitled" for a model never
    // saved, in the existing folder.
    static QString suggestedPath(const QString& folder, const QString& modelPath);

signals:
    void _EnumeratedPrinters(QList<QPrinterInfo> printers, QPrinterInfo defaultPrinter);
    void PrintersEnumerated();
    void UpdateAvailable(const QString& version, const QString& url);

private slots:
    void enumeratedPrinters(QList<QPrinterInfo> printers, QPrinterInfo defaultPrinter);
    void removeWidgetOpened(QObject* object);

public slots:
    void enumeratePrinters();

private:
    static void placeWidget(QWidget* widget);
    // Notes a widget's first show; false for every later one.
    static bool noteOpened(QWidget* widget);

    // What is opening the window being shown, while showWidgetBeside shows it.
    static QPointer<QWidget> _widgetOpener;
};
