#include "platform/ui/dialog_units.h"
#include "platform/ui/file_dialogs.h"
#include "platform/ui/fonts.h"
#include "platform/ui/form_widgets.h"
#include "platform/ui/message_box.h"
#include "platform/ui/shell_opener.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace korvan::platform;

class PlatformUiTest final : public QObject
{
    Q_OBJECT

private slots:
    void scriptedBoxesRecordAndAnswerInOrder()
    {
        ScriptedMessageBoxes boxes;
        boxes.answerNext(MessageAnswer::No);
        QCOMPARE(MessageBox(nullptr, "Save?", "Title", MessageButtons::YesNo), MessageAnswer::No);
        // An empty script answers with the first button of the box.
        QCOMPARE(MessageBox(nullptr, "Again?", "T", MessageButtons::YesNoCancel),
                 MessageAnswer::Yes);
        QCOMPARE(MessageBox(nullptr, "Done"), MessageAnswer::Ok);
        QCOMPARE(boxes.requests().size(), std::size_t(3));
        QCOMPARE(boxes.requests()[0].title, QString("Title"));
        QCOMPARE(boxes.requests()[0].buttons, MessageButtons::YesNo);
        QCOMPARE(boxes.texts(), QStringList({"Save?", "Again?", "Done"}));
    }

    void scriptRemovedWithItsOwner()
    {
        {
            ScriptedMessageBoxes inner;
        }
        ScriptedMessageBoxes outer;
        MessageBox(nullptr, "x");
        QCOMPARE(outer.texts(), QStringList({"x"}));
    }

    void classicFiltersBecomeQtFilters_data()
    {
        QTest::addColumn<QString>("classic");
        QTest::addColumn<QStringList>("qt");
        QTest::newRow("krx") << "Krx Files (*.krx)|*.Krx|All Files (*.*)|*.*||"
                             << QStringList{"Krx Files (*.Krx *.krx *.KRX)", "All Files (*.*)"};
        QTest::newRow("several patterns")
            << "Text (*.txt;*.log)|*.txt;*.log||" << QStringList{"Text (*.txt *.TXT *.log *.LOG)"};
        QTest::newRow("empty") << "" << QStringList{};
    }

    void classicFiltersBecomeQtFilters()
    {
        QFETCH(QString, classic);
        QFETCH(QStringList, qt);
        QCOMPARE(qtNameFilters(classic), qt);
    }

    void scriptedFileDialogsAnswerAndCancel()
    {
        ScriptedFileDialogs dialogs;
        dialogs.chooseNext("/tmp/a.krx");
        QCOMPARE(getOpenFileName(nullptr, ".krx", "Krx Files (*.krx)|*.Krx||"),
                 std::optional<QString>("/tmp/a.krx"));
        QVERIFY(!getSaveFileName(nullptr, ".bas", "B|*.bas||").has_value());
        QCOMPARE(dialogs.requests().size(), std::size_t(2));
        QCOMPARE(dialogs.requests()[0].kind, FileDialogKind::Open);
        QCOMPARE(dialogs.requests()[0].defaultExtension, QString(".krx"));
        QCOMPARE(dialogs.requests()[1].kind, FileDialogKind::Save);
        QVERIFY(dialogs.requests()[1].overwritePrompt);
    }

    void shellOpenerRecords()
    {
        RecordingShellOpener opener;
        opener.setOutcome(false);
        QVERIFY(!shellOpen("/opt/help/index.html"));
        QCOMPARE(opener.opened(), std::vector<QString>{"/opt/help/index.html"});
    }

    void songtiMapsToTheInstalledCjkFont()
    {
        if (!QFontDatabase::hasFamily("WenQuanYi Micro Hei"))
            QSKIP("fonts-wqy-microhei is not installed");
        QCOMPARE(mapFontFamily("宋体"), QString("WenQuanYi Micro Hei"));
        QCOMPARE(mapFontFamily("DejaVu Sans"), QString("DejaVu Sans"));
        const QFont grid = logicalFont("宋体", -15, 400);
        QCOMPARE(grid.pixelSize(), 15);
        QCOMPARE(grid.weight(), QFont::Normal);
        QCOMPARE(logicalFont("宋体", -12, 700).weight(), QFont::Bold);
    }

    void dialogUnitsScaleByBaseUnits()
    {
        const DialogUnits units(dialogFont());
        QVERIFY(units.baseX() > 0);
        QVERIFY(units.baseY() > 0);
        QCOMPARE(units.toPixelsX(4), units.baseX());
        QCOMPARE(units.toPixelsY(8), units.baseY());
        QCOMPARE(units.toPixels(0, 0, 400, 80),
                 QRect(0, 0, units.baseX() * 100, units.baseY() * 10));
    }

    void adjacentTemplateRectanglesStayAdjacent()
    {
        const DialogUnits units(dialogFont());
        // Two buttons of the axis parameter page: 21,4,62,19 and 83,4,...
        const QRect first = units.toPixels(21, 4, 62, 19);
        const QRect second = units.toPixels(83, 4, 62, 19);
        QCOMPARE(first.right() + 1, second.left());
        QCOMPARE(first.top(), second.top());
    }

    void formWidgetsAreFoundByTheirIds()
    {
        enum Ids : int
        {
            Start = 1143,
            Mode = 1145,
            Plot = 1200,
            Missing = 999
        };
        static constexpr FormControl form[] = {
            {Start, ControlKind::Button, 10, 10, 40, 14, "Start", nullptr},
            {Mode, ControlKind::DropDown, 60, 10, 80, 120, nullptr, nullptr},
            {Plot, ControlKind::Custom, 0, 40, 200, 100, nullptr, nullptr},
        };
        QWidget view;
        const DialogUnits units(dialogFont());
        FormWidgets widgets(&view, form, units);
        QCOMPARE(widgets.get<QPushButton>(Start)->text(), QStringLiteral("Start"));
        QVERIFY(!widgets.get<QLabel>(Start)); // another type is not found as this one
        QVERIFY(!widgets.widget(Missing));
        QVERIFY(!widgets.widget(Plot)); // the view makes custom controls itself
        // A drop-down's template height includes its open list; the box is one line.
        QCOMPARE(widgets.widget(Mode)->geometry(), units.toPixels(60, 10, 80, 13));

        auto* plot = new QLabel;
        widgets.adopt(Plot, plot);
        QCOMPARE(plot->parentWidget(), &view);
        QCOMPARE(plot->geometry(), units.toPixels(0, 40, 200, 100));
        QCOMPARE(findControl(&view, Plot), plot);
        QCOMPARE(controlId(plot), int(Plot));
        QVERIFY(widgets.formRect().contains(plot->geometry()));
    }
};

QTEST_MAIN(PlatformUiTest)
#include "platform_ui_test.moc"
