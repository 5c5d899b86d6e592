#include "TransferReader.h"

#include <QtTest>

class TestTransfer : public QObject
{
    Q_OBJECT
private slots:
    void emptyTextIsAccepted();
};

void TestTransfer::emptyTextIsAccepted()
{
    TransferImport result;
    QVERIFY(TransferReader::read(QByteArray(), &result));
}

QTEST_GUILESS_MAIN(TestTransfer)
#include "tst_transfer.moc"
