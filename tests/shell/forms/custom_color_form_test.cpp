#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <optional>

#include "clips/forms/color_grid.h"
#include "clips/forms/custom_color_form.h"
#include "support/settings_store.h"
#include "support/user_prompt.h"

using namespace fw;

class CustomColorFormTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void clickedCellHandsItsGainsToTheCaller();
    void makeGrayAndColoursBeyondReach();
    void toneCurveStopsThePickBeforeTheWindow();
    void customColoursAreStoredAndReadBack();
    void placedOverTheDisplaysLeftAndBottom();

private:
    void clickCell(TCustomColorForm& form, int cell);

    QTemporaryDir dir_;
    ScriptedPrompt prompt_;
    std::unique_ptr<SettingsStore> store_;
};

void CustomColorFormTest::init()
{
    QVERIFY(dir_.isValid());
    store_ = std::make_unique<SettingsStore>(dir_.filePath("store.ini"));
    store_->eraseSection("ColorTable");
    prompt_.clear();
    installPrompt(&prompt_);
}

void CustomColorFormTest::cleanup()
{
    installPrompt(nullptr);
    store_.reset();
}

void CustomColorFormTest::clickCell(TCustomColorForm& form, int cell)
{
    auto* grid = form.findChild<TFWColorGrid*>();
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->CellRect(cell).center());
}

void CustomColorFormTest::clickedCellHandsItsGainsToTheCaller()
{
    TCustomColorForm form(*store_);
    QCOMPARE(form.windowTitle(), QString("Transform Color"));
    ColorPickRequest request;
    request.pixel = { 120, 100, 60 };
    request.levels.white = kColorTemperatures[1].white;
    request.gamma = 2.2F;
    request.brightness = 1.5F;
    std::vector<ColorTransformResult> results;
    form.Prepare(request, [&results](const ColorTransformResult& result) { results.push_back(result); });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.findChild<QLabel*>("PixelColor")->palette().color(QPalette::Window), QColor(120, 100, 60));

    // The fourth cell is empty while the store holds only the three defaults.
    clickCell(form, 3);
    QVERIFY(results.empty());
    QVERIFY(form.isVisible());

    clickCell(form, 1);
    QCOMPARE(results.size(), size_t(1));
    const PixelColor target = { 0xF8, 0xF8, 0x68 }; // 68F8F8 is blue-green-red
    QCOMPARE(results[0].target, target);
    const ChannelGains effective = GainsForTargetColor(request.levels, request.gamma, request.pixel, target);
    QCOMPARE(results[0].effective, effective);
    const BrightnessSplit split = SplitGains(effective, request.brightness);
    QCOMPARE(results[0].split.brightness, split.brightness);
    QCOMPARE(results[0].split.channel_gains, split.channel_gains);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(!form.isVisible());
    QVERIFY(prompt_.texts().isEmpty());

    // The modal run answers whether a colour was chosen.
    QTimer::singleShot(0, this, [this] {
        auto* shown = qobject_cast<TCustomColorForm*>(QApplication::activeModalWidget());
        QVERIFY(shown);
        clickCell(*shown, 0);
    });
    QVERIFY(form.Run(request, [&results](const ColorTransformResult& result) { results.push_back(result); }));
    QCOMPARE(results.size(), size_t(2));
    QCOMPARE(results[1].target, (PixelColor { 0xF8, 0xF8, 0xF8 }));
    QTimer::singleShot(
        0, this, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("CancelBtn")->click(); });
    QVERIFY(
        !form.Run(request, [&results](const ColorTransformResult& result) { results.push_back(result); }));
    QCOMPARE(results.size(), size_t(2));
}

void CustomColorFormTest::makeGrayAndColoursBeyondReach()
{
    // Green barely above its black level needs far more gain than the bars can give.
    ColorPickRequest request;
    request.pixel = { 240, 11, 240 };
    const PixelColor grey = GreyTargetOf(request.pixel);
    const BrightnessSplit expected = SplitGains(
        GainsForTargetColor(request.levels, request.gamma, request.pixel, grey), request.brightness);
    QVERIFY(expected.inaccurate);

    TCustomColorForm form(*store_);
    std::optional<ColorTransformResult> result;
    form.Prepare(request, [&result](const ColorTransformResult& r) { result = r; });
    form.findChild<QPushButton*>("GrayBtn")->click();
    QVERIFY(result);
    QCOMPARE(result->target, grey);
    QCOMPARE(result->target[0], uint8_t(((240 + 240) / 2 + 11) / 2));
    QVERIFY(result->split.inaccurate);
    QCOMPARE(result->split.brightness, kMaxBrightness);
    QCOMPARE(prompt_.texts(), QStringList { "Transform Inaccurate, Color is Beyond Adjustable Range." });
}

void CustomColorFormTest::toneCurveStopsThePickBeforeTheWindow()
{
    TCustomColorForm form(*store_);
    ColorPickRequest request;
    request.tone_curve = true;
    bool called = false;
    QVERIFY(!form.Run(request, [&called](const ColorTransformResult&) { called = true; }));
    QVERIFY(!called);
    QVERIFY(!form.isVisible());
    QCOMPARE(prompt_.texts(), QStringList { "Color table is unavailable when the Tone Curve is applied." });
}

void CustomColorFormTest::customColoursAreStoredAndReadBack()
{
    {
        TCustomColorForm form(*store_);
        const CustomColors defaults = form.Colors();
        QCOMPARE(defaults[0], std::optional<QColor>(QColor(0xF8, 0xF8, 0xF8)));
        QCOMPARE(defaults[2], std::optional<QColor>(QColor(0xD8, 0xA8, 0xA8)));
        QVERIFY(!defaults[3]);

        CustomColors colors;
        colors[5] = QColor(10, 20, 30);
        colors[15] = QColor(255, 0, 0);
        form.SetCustomColors(colors);
        QCOMPARE(form.findChild<TFWColorGrid*>()->Colors(), colors);
    }
    QCOMPARE(store_->readString("ColorTable", "ColorF"), QString("1E140A"));
    QCOMPARE(store_->readString("ColorTable", "ColorA"), QString("FFFFFF"));

    TCustomColorForm again(*store_);
    const CustomColors read = again.Colors();
    QVERIFY(!read[0]);
    QCOMPARE(read[5], std::optional<QColor>(QColor(10, 20, 30)));
    QCOMPARE(read[15], std::optional<QColor>(QColor(255, 0, 0)));

    // A stored cell chosen from the grid is the colour targeted.
    std::optional<PixelColor> target;
    again.Prepare(ColorPickRequest {}, [&target](const ColorTransformResult& r) { target = r.target; });
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    clickCell(again, 15);
    QCOMPARE(target, std::optional<PixelColor>(PixelColor { 255, 0, 0 }));
}

void CustomColorFormTest::placedOverTheDisplaysLeftAndBottom()
{
    TCustomColorForm form(*store_);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect display(100, 400, 640, 480);
    form.PlaceOver(display);
    QCOMPARE(form.frameGeometry().left(), display.left());
    QCOMPARE(form.frameGeometry().bottom(), display.bottom());
}

QTEST_MAIN(CustomColorFormTest)
#include "custom_color_form_test.moc"
