#pragma once

#include <QSharedPointer>
#include <QString>
#include <QWidget>

class UnitSystem;

// The root page of the utility window: the commands that do not edit the
// structure. Wiping needs a confirming second press.
class UtilityView : public QWidget
{
    Q_OBJECT

public:
    struct StyleSheet
    {
        static QString FrameWipeModel;
        static QString ProgramName;
        static QString Warning;
    };

    UtilityView(const QSharedPointer<UnitSystem>& unitSystem, QWidget* parent = nullptr,
                Qt::WindowFlags flags = Qt::WindowFlags());

    QSize sizeHint() const override;

signals:
    void ExportPDF();
    void OpenFile();
    void OpenHelp();
    void OpenMaterials();
    void OpenTitles();
    void SaveFile();
    void WipeModel();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QSharedPointer<UnitSystem> unitSystem;
};
