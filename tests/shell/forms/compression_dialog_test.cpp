#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include "clips/avi_encoders.h"
#include "clips/forms/compression_dialog.h"

using namespace fw;

class CompressionDialogTest : public QObject {
    Q_OBJECT

private slots:
    void listsOnlyEncodersThisProgramHas();
    void unavailableStoredCodeOpensWithAnAvailableOne();
    void choicesComeBackAsConfirmedOptions();
};

void CompressionDialogTest::listsOnlyEncodersThisProgramHas()
{
    TCompressionDialog dialog(CompressionOptions {});
    auto* box = dialog.findChild<QComboBox*>("CompressorBox");
    QCOMPARE(box->count(), int(AviEncoders().size()));
    QVERIFY(box->count() >= 2);
    for (int i = 0; i < box->count(); ++i)
        QVERIFY(HasAviEncoder(box->itemData(i).toUInt()));
    QVERIFY(box->findData(kUncompressedCode) >= 0);
}

void CompressionDialogTest::unavailableStoredCodeOpensWithAnAvailableOne()
{
    CompressionOptions stored;
    stored.fccHandler = HandlerCode("iv32"); // an old codec nobody can encode any more
    stored.options_ok = true;
    TCompressionDialog dialog(stored);
    const uint32_t chosen = dialog.findChild<QComboBox*>("CompressorBox")->currentData().toUInt();
    QCOMPARE(chosen, PreselectedAviEncoder(stored.fccHandler).code);
    QVERIFY(dialog.findChild<QLabel*>("NoteLabel")->text().contains("iv32"));
    QCOMPARE(dialog.Options().fccHandler, chosen);
    // The built-in default that nobody chose is replaced without a word.
    stored.options_ok = false;
    TCompressionDialog fresh(stored);
    QVERIFY(fresh.findChild<QLabel*>("NoteLabel")->text().isEmpty());
}

void CompressionDialogTest::choicesComeBackAsConfirmedOptions()
{
    CompressionOptions stored;
    stored.fccHandler = HandlerCode("MJPG");
    stored.dwQuality = 7500;
    stored.dwKeyFrameEvery = 0;
    stored.dwFlags = kCompressValid;
    QVERIFY(HasAviEncoder(stored.fccHandler));
    TCompressionDialog dialog(stored);
    QCOMPARE(dialog.findChild<QSlider*>("QualitySlider")->value(), 75);
    QVERIFY(!dialog.findChild<QCheckBox*>("KeyFrameBox")->isChecked());
    dialog.findChild<QSlider*>("QualitySlider")->setValue(40);
    const CompressionOptions chosen = dialog.Options();
    QCOMPARE(chosen.fccHandler, stored.fccHandler);
    QCOMPARE(chosen.dwQuality, 4000u);
    QCOMPARE(chosen.dwKeyFrameEvery, 0u);
    QVERIFY(chosen.dwFlags & kCompressValid);
    QVERIFY(!(chosen.dwFlags & kCompressKeyFrames));
}

QTEST_MAIN(CompressionDialogTest)
#include "compression_dialog_test.moc"
