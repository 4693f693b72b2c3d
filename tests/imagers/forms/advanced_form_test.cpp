#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <cstring>

#include "imagers/forms/advanced_form.h"
#include "imagers/hg/hg_comm_layer.h"

using namespace fw;

namespace {

// Answers every command with a status reply, a long data block or nothing.
class EchoLink : public THGCommLayer {
public:
    EchoLink()
        : THGCommLayer(1, 3000)
    {
    }
    ~EchoLink() override { EndWorker(); }
    QByteArray next_reply = "#01014005\r";

protected:
    void FlushInput() override { }
    void Broadcast(const QByteArray& frame) override { Transact(frame); }
    void Transact(const QByteArray&) override
    {
        if (next_reply.isEmpty()) {
            SetResultCode(hgresult::kNotResponding);
            throw Error("Socket I/O Timed Out");
        }
        const size_t length = std::min(size_t(next_reply.size()), ReceiveCapacity());
        std::memcpy(ReceiveBuffer(), next_reply.constData(), length);
        ReplyReceived(length);
    }
};

} // namespace

class AdvancedFormTest : public QObject {
    Q_OBJECT
private slots:
    void sendListsEachReplyWithItsResult();
};

void AdvancedFormTest::sendListsEachReplyWithItsResult()
{
    EchoLink link;
    TAdvancedForm form;
    form.SetLink(&link);
    auto* box = form.findChild<QComboBox*>("CommandCB");
    auto* memo = form.findChild<QPlainTextEdit*>("ResponseMemo");
    QCOMPARE(form.windowTitle(), QString("Advanced Imager Communications"));
    QCOMPARE(box->currentText(), QString("STP"));

    box->setEditText("40");
    form.findChild<QPushButton*>("SendBtn")->click();
    link.next_reply = "#0101DL" + QByteArray(100, 'x') + "\r";
    box->setEditText("DLF 1 U B");
    form.Send();
    link.next_reply.clear();
    box->setEditText("40");
    form.Send();
    QCOMPARE(memo->toPlainText().split('\n'),
        QStringList({ "#01014005 - Success", "107 bytes received - Success", "0 bytes received - Imager Not Responding" }));
    // The latest text is on top, once.
    QCOMPARE(box->itemText(0), QString("40"));
    QCOMPARE(box->count(), 2);

    form.findChild<QPushButton*>("ClearBtn")->click();
    QVERIFY(memo->toPlainText().isEmpty());
}

QTEST_MAIN(AdvancedFormTest)
#include "advanced_form_test.moc"
