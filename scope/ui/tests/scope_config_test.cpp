#include "platform/ui/message_box.h"
#include "scope/core/tests/fake_scope_link.h"
#include "scope/ui/kor_new_static.h"
#include "scope/ui/scope_config.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using namespace korvan::scope;

namespace {

template <typename T> T* child(QWidget& w, int index)
{
    return w.findChildren<T*>().at(index);
}
// The digits edits in creation order: depth, interval, TABLE start.
QLineEdit* depthEdit(ScopeConfig& d)
{
    return child<QLineEdit>(d, 0);
}
QLineEdit* tableStartEdit(ScopeConfig& d)
{
    return child<QLineEdit>(d, 2);
}

} // namespace

class ScopeConfigTest : public QObject
{
    Q_OBJECT
private slots:
    void endOfTableShowsStartFromTableSize()
    {
        testing::FakeScopeLink link;
        ScopeConfigValues v;
        v.channelCount = 4;
        ScopeConfig dialog(link, 8, v);
        QCOMPARE(tableStartEdit(dialog)->text(), QStringLiteral("6000"));
        QVERIFY(!tableStartEdit(dialog)->isEnabled());
    }

    void okChecksTheTableRange()
    {
        korvan::platform::ScriptedMessageBoxes boxes;
        testing::FakeScopeLink link;
        ScopeConfigValues v;
        v.channelCount = 4;
        ScopeConfig dialog(link, 8, v);
        depthEdit(dialog)->setText(QStringLiteral("3000"));
        dialog.accept();
        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("超出数组范围！")});
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        boxes.clear();
        depthEdit(dialog)->setText(QStringLiteral("999"));
        child<QCheckBox>(dialog, 1)->setChecked(true); // 连续采集
        dialog.accept();
        QCOMPARE(boxes.texts(),
                 QStringList{QStringLiteral("深度小于1000可能会对波形有一定的影响。")});
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.values().depth, 999);
        QVERIFY(dialog.values().continuous);
    }

    void countWithoutSelectionIsHeldWithinRange()
    {
        korvan::platform::ScriptedMessageBoxes boxes;
        testing::FakeScopeLink link;
        link.isConnected = false;
        ScopeConfigValues v;
        v.channelCount = 6;
        ScopeConfig dialog(link, 4, v); // the controller offers four
        QCOMPARE(child<QComboBox>(dialog, 0)->currentIndex(), -1);
        dialog.accept();
        QCOMPARE(dialog.values().channelCount, 1);
        ScopeConfig many(link, 20, v); // byte 55 above 8
        QCOMPARE(child<QComboBox>(many, 0)->count(), 8);
    }

    void applyingTakesTheStartFromTableSize()
    {
        testing::FakeScopeLink link;
        ScopeConfigValues v;
        v.channelCount = 4;
        v.background = 77;
        ScopeSettings s;
        applyConfig(v, link, s);
        QCOMPARE(s.tableStart, 6000);
        QCOMPARE(s.background, 77);
        v.depth = 3000;
        applyConfig(v, link, s);
        QCOMPARE(s.tableStart, 0);
        v.useEndOfTable = false;
        v.tableStart = 123;
        applyConfig(v, link, s);
        QCOMPARE(s.tableStart, 123);
    }

    void swatchPaintsColourOrHatch()
    {
        CKorNewStatic swatch;
        swatch.resize(40, 20);
        swatch.setColor(colorValue(10, 200, 30));
        QImage shot = swatch.grab().toImage();
        QCOMPARE(shot.pixel(20, 10) & 0xFFFFFF, qRgb(10, 200, 30) & 0xFFFFFF);
        QCOMPARE(shot.pixel(0, 10) & 0xFFFFFF, qRgb(0, 0, 0) & 0xFFFFFF); // the frame
        swatch.setColor(-1);
        shot = swatch.grab().toImage();
        int hatch = 0;
        for (int x = 1; x < 39; ++x)
            for (int y = 1; y < 19; ++y)
                hatch += (shot.pixel(x, y) & 0xFFFFFF) == (qRgb(172, 172, 172) & 0xFFFFFF);
        QVERIFY(hatch > 20);
    }

    void clickAsksTheChooser()
    {
        CKorNewStatic::setColorChooser(
            [](QWidget*, ColorValue current) { return std::optional<ColorValue>(current + 1); });
        CKorNewStatic swatch;
        swatch.setColor(41);
        QTest::mouseClick(&swatch, Qt::LeftButton);
        QCOMPARE(swatch.color(), 42);
        CKorNewStatic::setColorChooser([](QWidget*, ColorValue) { return std::nullopt; });
        QTest::mouseClick(&swatch, Qt::LeftButton);
        QCOMPARE(swatch.color(), 42);
        CKorNewStatic::setColorChooser(nullptr);
    }
};

QTEST_MAIN(ScopeConfigTest)
#include "scope_config_test.moc"
