#pragma once

#include <QVector>
#include <QWidget>

class QStackedWidget;

// A stack of pages with a back cell in a bar on the left and a memory of the
// pages shown before; page 0 is the root.
class NavigationStack : public QWidget
{
    Q_OBJECT

public:
    struct StyleSheet
    {
        static QString Navigator;
        static QString Stack;
    };

    explicit NavigationStack(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    QStackedWidget* pages() const { return stackWidget; }
    // A widget that is not one of the pages is ignored; the page shown now may
    // be given again, which only remembers it once more.
    void setCurrentWidget(QWidget* page);

signals:
    void LeavingWidget(const QWidget* page);

public slots:
    void adjustNavigator();
    void goBack();
    void goToRoot();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* navigatorWidget;
    QVector<int> backStack;
    QStackedWidget* stackWidget;
};
