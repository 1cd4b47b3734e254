#include "platform/ui/file_dialogs.h"
#include "platform/ui/message_box.h"
#include "scope/core/tests/fake_scope_link.h"
#include "scope/render/scope_show.h"
#include "scope/ui/dialog_scope.h"
#include "testing/widget_lookup.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

using namespace korvan::scope;
using korvan::platform::MessageAnswer;

class DialogScopeTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::filesystem::path ini() const { return (m_dir.path() + "/Wavora.INI").toStdString(); }

    static QPushButton* button(CDialogScope& panel, const QString& caption)
    {
        return korvan::testing::buttonWithCaption(&panel, caption);
    }

private slots:
    void init() { std::filesystem::remove(ini()); }

    void creationReadsTheSettingsFile()
    {
        {
            std::ofstream out(ini());
            out << "[Scope]\nChannels=3\nScale1=500\nName2=MPOS\nXScale=4\nSHOW0=0\n";
        }
        testing::FakeScopeLink link;
        ControllerSpec spec;
        CDialogScope panel(link, spec, ScopeSettingsFile(ini()));
        QCOMPARE(panel.settings().channelCount, 3);
        QCOMPARE(panel.channels()[1].scale, 500.0F);
        QCOMPARE(panel.channels()[2].source, std::string("MPOS"));
        QVERIFY(!panel.channels()[0].shown);
        QCOMPARE(panel.settings().horizontalScale, 10.0); // the box rule raises 4 to 10
        QCOMPARE(panel.display()->input().scales[1], 500.0F);
        // The stored name is the selected entry of the row's source list.
        const auto boxes = panel.findChildren<QComboBox*>(); // number, source per row
        QCOMPARE(boxes[2 * 2 + 1]->currentText(), QStringLiteral("MPOS"));
        QCOMPARE(boxes[2 * 2 + 1]->currentIndex(), 2);
        QCOMPARE(boxes[0 * 2 + 1]->currentIndex(), 0);
    }

    void leftSideBoxesNeitherOverlapNorLeaveThePanel()
    {
        testing::FakeScopeLink link;
        ControllerSpec spec;
        CDialogScope panel(link, spec, ScopeSettingsFile(ini()));
        panel.resize(1290, 500);
        panel.show();
        QWidget* left = button(panel, QStringLiteral("设置"))->parentWidget();
        left->layout()->activate();
        // Every box of the left side, with its whole frame (a covered source box
        // hides its arrow, and its list can no longer be opened).
        QList<QWidget*> boxes;
        for (QWidget* w : left->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                qobject_cast<QPushButton*>(w))
                boxes.append(w);
        // Seven buttons, the scale box, four boxes per row and the analysis switch.
        QCOMPARE(boxes.size(), 7 + 1 + kMaxChannels * 4 + 1);
        for (int i = 0; i < boxes.size(); ++i) {
            QVERIFY2(left->rect().contains(boxes[i]->geometry()),
                     qPrintable(boxes[i]->metaObject()->className()));
            for (int j = i + 1; j < boxes.size(); ++j)
                QVERIFY2(!boxes[i]->geometry().intersects(boxes[j]->geometry()),
                         qPrintable(QStringLiteral("%1 and %2")
                                        .arg(boxes[i]->metaObject()->className(),
                                             boxes[j]->metaObject()->className())));
        }
    }

    void startTriggerPollStop()
    {
        korvan::platform::ScriptedMessageBoxes boxes;
        testing::FakeScopeLink link;
        ControllerSpec spec;
        CDialogScope panel(link, spec, ScopeSettingsFile(ini()));
        panel.resize(1290, 500);
        panel.startCapture();
        QVERIFY(panel.engine().state().running);
        QVERIFY2(std::find(link.commands.begin(), link.commands.end(),
                           "SCOPE(1,1,8000,9999,VP_SPEED(0),VP_SPEED(1))") != link.commands.end(),
                 link.commands.empty() ? "" : link.commands.back().c_str());
        QVERIFY(!button(panel, QStringLiteral("设置"))->isEnabled());
        panel.manualTrigger();
        link.produce(400);
        panel.pollTick();
        QCOMPARE(panel.record().total, 400);
        QCOMPARE(panel.record().sample(1, 399), testing::FakeScopeLink::value(1, 399));
        panel.importData();
        QCOMPARE(boxes.texts().last(), QStringLiteral("导入前需要停止示波！"));
        panel.stopCapture();
        QVERIFY(button(panel, QStringLiteral("设置"))->isEnabled());
        QCOMPARE(link.commands.back(), std::string("SCOPE(0)"));
        // The Start keys were written.
        ScopeSettings back;
        ScopeSettingsFile(ini()).readSettings(back);
        QCOMPARE(back.channelCount, 2);
    }

    void exportThenImportReproducesTheRecord()
    {
        korvan::platform::ScriptedMessageBoxes boxes;
        korvan::platform::ScriptedFileDialogs files;
        testing::FakeScopeLink link;
        ControllerSpec spec;
        CDialogScope panel(link, spec, ScopeSettingsFile(ini()));
        panel.exportData();
        QCOMPARE(boxes.texts().last(), QStringLiteral("没有导出数据！"));

        panel.startCapture();
        panel.manualTrigger();
        link.produce(300);
        panel.pollTick();
        panel.stopCapture();
        const QString path = m_dir.path() + "/Scope.txt";
        files.chooseNext(path);
        panel.exportData();
        QVERIFY(QFile::exists(path));
        QCOMPARE(files.requests().back().defaultExtension, QStringLiteral(".txt"));

        testing::FakeScopeLink other;
        CDialogScope fresh(other, spec, ScopeSettingsFile(ini()));
        files.chooseNext(path);
        boxes.answerNext(MessageAnswer::Yes);
        fresh.importData();
        QCOMPARE(boxes.texts().last(), QStringLiteral("是否导入参数？"));
        QCOMPARE(fresh.record().total, 300);
        QCOMPARE(fresh.record().traces[1].label, std::string("VP_SPEED(1)"));
        for (int s = 0; s < 300; ++s)
            QCOMPARE(fresh.record().sample(0, s), panel.record().sample(0, s));
    }

    void importAppliesHeaderRules()
    {
        korvan::platform::ScriptedMessageBoxes boxes;
        korvan::platform::ScriptedFileDialogs files;
        const QString path = m_dir.path() + "/header.txt";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("XScale=5.500000\r\nChannel Num=9\r\nPara3\t7\tMPOS\t1.500000\t200.000000\r\n"
                    "\r\nA(0)\tB(1)\t\r\n1\t2\t");
        }
        testing::FakeScopeLink link;
        ControllerSpec spec;
        CDialogScope panel(link, spec, ScopeSettingsFile(ini()));
        files.chooseNext(path);
        boxes.answerNext(MessageAnswer::Yes);
        panel.importData();
        QCOMPARE(panel.settings().horizontalScale, 10.0);
        QCOMPARE(panel.settings().channelCount, 8);
        QCOMPARE(panel.channels()[3].source, std::string("MPOS"));
        QCOMPARE(panel.channels()[3].offset, 1.0F);
        QCOMPARE(panel.channels()[3].scale, 200.0F);
        QCOMPARE(panel.record().channelCount, 2);
        ScopeChannels stored;
        ScopeSettingsFile(ini()).readChannels(stored);
        QCOMPARE(stored[3].offset, 1.0F);
    }

    // The workbench hosts the panel in a dialog: Enter in one of its boxes
    // must not press a button (it used to open the settings dialog).
    void enterInABoxPressesNoButton()
    {
        korvan::platform::ScriptedMessageBoxes boxes;
        testing::FakeScopeLink link;
        link.isConnected = false; // "设置" would answer with a message, not a modal dialog
        ControllerSpec spec;
        QDialog host;
        auto* panel = new CDialogScope(link, spec, ScopeSettingsFile(ini()), &host);
        panel->resize(1290, 500);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        for (QLineEdit* box : panel->findChildren<QLineEdit*>()) {
            if (!box->isEnabled() || !box->isVisible())
                continue;
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Return);
            QTest::keyClick(box, Qt::Key_Enter);
        }
        QVERIFY2(boxes.texts().isEmpty(), qPrintable(boxes.texts().join(QLatin1Char(' '))));
    }

    void dragMovesTheView()
    {
        testing::FakeScopeLink link;
        ControllerSpec spec;
        CDialogScope panel(link, spec, ScopeSettingsFile(ini()));
        panel.resize(1290, 500);
        panel.findChildren<QLineEdit*>().first()->setText(QStringLiteral("200"));
        panel.display()->input().view.viewStart = 150;
        CScopeShow* display = panel.display();
        QTest::mousePress(display, Qt::LeftButton, {}, QPoint(300, 200));
        QMouseEvent move(QEvent::MouseMove, QPointF(350, 200),
                         display->mapToGlobal(QPointF(350, 200)), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(display, &move);
        QCOMPARE(display->input().view.viewStart, 50);
        QMouseEvent again(QEvent::MouseMove, QPointF(400, 200),
                          display->mapToGlobal(QPointF(400, 200)), Qt::NoButton, Qt::LeftButton,
                          {});
        QApplication::sendEvent(display, &again);
        QCOMPARE(display->input().view.viewStart, 0);
        QTest::mouseRelease(display, Qt::LeftButton, {}, QPoint(400, 200));
    }
};

QTEST_MAIN(DialogScopeTest)
#include "dialog_scope_test.moc"
