// The specification and axis parameter pages offscreen: what the widgets
// show, the in-place editors as a user opens and leaves them, the buttons,
// and the report page's keep-what-it-showed rule.
#include "platform/ui/file_dialogs.h"
#include "platform/ui/message_box.h"
#include "testing/fakelink/fake_link.h"
#include "workbench/axis/axis_para_form.h"
#include "workbench/axis/tests/fake_axis_port.h"
#include "workbench/axis/views/view_axis_para.h"
#include "workbench/axis/views/view_control_max.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace korvan;
using namespace korvan::axis;

namespace {

namespace ids = axis_para_ids;

class TestEnvironment final : public AxisPagesEnvironment
{
public:
    ControllerHandle currentHandle() const final { return handle; }
    AxisPort* currentPort() final { return connected ? &port : nullptr; }
    AxisTable& table() final { return *axisTable; }
    int language() const final { return languageFlag; }
    int linkType() const final { return link; }
    int busType() const final { return bus; }
    std::string romFileStem() const final { return stem; }
    QString caption(const QString& section, const QString& key) const final
    {
        return section + "/" + key;
    }
    std::filesystem::path programDir() const final { return folder.path().toStdString(); }

    axis::testing::FakeAxisPort port;
    bool connected = true;
    ControllerHandle handle = nullptr;
    std::unique_ptr<AxisTable> axisTable = std::make_unique<AxisTable>();
    int languageFlag = 0;
    int link = 2;
    int bus = 0;
    std::string stem = "127.0.0.11";
    QTemporaryDir folder;
};

QString cellText(QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

// A click in the middle of a cell, as the mouse gives it.
void clickCell(QTableWidget* grid, int row, int column)
{
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace

class AxisPagesViewTest final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> environment;
    std::unique_ptr<View_AxisPara> page;
    std::unique_ptr<platform::ScriptedMessageBoxes> boxes;

    QTableWidget* grid() const { return page->grid(); }

private Q_SLOTS:
    void init()
    {
        boxes = std::make_unique<platform::ScriptedMessageBoxes>();
        environment = std::make_unique<TestEnvironment>();
        environment->port.counts = ControllerCounts{8, 2, 4};
        environment->port.blocks["ATYPE"] = {1, 65};
        environment->port.blocks["SPEED"] = {100, 100.5f};
        page = std::make_unique<View_AxisPara>(*environment);
        page->resize(900, 700);
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.get()));
        page->BuildGrid();
        environment->port.log.clear();
    }

    void cleanup()
    {
        page.reset();
        environment.reset();
        boxes.reset();
    }

    void buildShowsTheGridAndStartsThePoll()
    {
        QCOMPARE(grid()->columnCount(), 3);
        QCOMPARE(grid()->rowCount(), 19);
        QCOMPARE(grid()->horizontalHeaderItem(2)->text(), QStringLiteral("axis1"));
        QCOMPARE(grid()->columnWidth(0), 140);
        QCOMPARE(grid()->columnWidth(1), 150);
        QCOMPARE(cellText(grid(), 3, 0), QStringLiteral("SPEED(units/s)"));
        QCOMPARE(cellText(grid(), 0, 2), QStringLiteral("65-ECAT CSP"));
        QCOMPARE(cellText(grid(), 3, 2), QStringLiteral("100.5"));
        QCOMPARE(page->findChild<QPushButton*>(QString::number(ids::Import))->text(),
                 QStringLiteral("AxisPara/IDC_INPUTPARA"));
        QCOMPARE(grid()->geometry(), QRect(0, 45, 900, 655));
        QVERIFY(page->pollTimer().isActive());
        QCOMPARE(page->pollTimer().interval(), 100);

        environment->link = 1;
        page->BuildGrid();
        QCOMPARE(page->pollTimer().interval(), 1000);

        // A controller that does not answer empties the grid; the poll goes on.
        environment->port.counts.reset();
        page->BuildGrid();
        QCOMPARE(grid()->columnCount(), 0);
        QVERIFY(page->pollTimer().isActive());
    }

    void aPollTickRewritesTheCellsTheControllerChanged()
    {
        environment->port.blocks["SPEED"] = {120, 100.5f};
        page->pollTick();
        QCOMPARE(cellText(grid(), 3, 1), QStringLiteral("120"));
        QCOMPARE(cellText(grid(), 3, 2), QStringLiteral("100.5"));
    }

    void theEditBoxOpensOnTheCellAndCommitsOnEnter()
    {
        clickCell(grid(), 3, 1);
        QLineEdit* edit = page->editBox();
        QVERIFY(edit);
        QCOMPARE(platform::controlId(edit), int(ids::Edit));
        QCOMPARE(edit->text(), QStringLiteral("100"));
        QVERIFY(edit->hasFocus());
        QCOMPARE(edit->cursorPosition(), 3);
        const QRect cell = grid()->visualRect(grid()->model()->index(3, 1));
        QCOMPARE(edit->geometry(), QRect(cell.left() + 1, cell.top() + 1, 148, cell.height() - 2));

        edit->selectAll();
        QTest::keyClicks(edit, "250.5");
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(!page->editBox());
        QCOMPARE(cellText(grid(), 3, 1), QStringLiteral("250.5"));
        QCOMPARE(environment->port.commands(), std::vector<std::string>{"SPEED(0)=250.500000"});

        // Letters are dropped with the box; the cell keeps its text.
        clickCell(grid(), 3, 2);
        page->editBox()->setText(QStringLiteral("1e3"));
        clickCell(grid(), 13, 2); // the click elsewhere commits, then opens there
        QCOMPARE(cellText(grid(), 3, 2), QStringLiteral("100.5"));
        QVERIFY(page->editBox());
        page->editBox()->setText(QStringLiteral("-1"));
        clickCell(grid(), 5, 0); // a caption only commits
        QVERIFY(!page->editBox());
        QCOMPARE(environment->port.commands(),
                 (std::vector<std::string>{"SPEED(0)=250.500000", "DATUM_IN(1)=-1"}));
    }

    void theComboBoxOffersTheTypesAndSendsThePickedOne()
    {
        clickCell(grid(), 0, 2);
        QComboBox* combo = page->comboBox();
        QVERIFY(combo);
        QCOMPARE(platform::controlId(combo), int(ids::Combo));
        QCOMPARE(combo->count(), 4);
        QCOMPARE(combo->itemText(3), QStringLiteral("65-ECAT CSP"));
        QCOMPARE(combo->currentText(), QStringLiteral("65-ECAT CSP"));
        combo->setCurrentIndex(2);
        combo->hidePopup();
        clickCell(grid(), 3, 1); // opens the edit box, which commits the combo box first
        QVERIFY(!page->comboBox());
        QVERIFY(page->editBox());
        QCOMPARE(cellText(grid(), 0, 2), QStringLiteral("4-Pulse And Encoder Axis"));
        QCOMPARE(environment->port.commands(), std::vector<std::string>{"ATYPE(1)=4"});

        // Free text sends code 0 and stays in the cell.
        clickCell(grid(), 12, 1);
        QVERIFY(!page->editBox());
        page->comboBox()->hidePopup();
        page->comboBox()->setEditText(QStringLiteral("by hand"));
        clickCell(grid(), 12, 0);
        QCOMPARE(cellText(grid(), 12, 1), QStringLiteral("by hand"));
        QCOMPARE(environment->port.commands().back(), "INVERT_STEP(0)=0");
    }

    void anEditBoxIsCommittedWhenThePageIsHidden()
    {
        clickCell(grid(), 4, 1);
        page->editBox()->setText(QStringLiteral("500"));
        page->hide();
        QVERIFY(!page->editBox());
        QCOMPARE(environment->port.commands(), std::vector<std::string>{"ACCEL(0)=500.000000"});
    }

    void initialiseWithoutAControllerOnlyStopsThePoll()
    {
        environment->connected = false;
        page->findChild<QPushButton*>(QString::number(ids::Initialise))->click();
        QVERIFY(!page->pollTimer().isActive());
        QVERIFY(boxes->texts().isEmpty());
        QVERIFY(environment->port.log.empty());
    }

    void initialiseResetsSendsAndRebuilds()
    {
        page->findChild<QPushButton*>(QString::number(ids::Initialise))->click();
        const std::vector<std::string> sent = environment->port.commands();
        QVERIFY(std::find(sent.begin(), sent.end(), "FS_LIMIT(1)=200000000.000000") != sent.end());
        QVERIFY(page->pollTimer().isActive());
        // The program's folder here has no defaults file.
        QCOMPARE(boxes->texts(), QStringList{"无法正确读取xml文件"});
        // The rebuild read the controller again, which still has its values.
        QCOMPARE(cellText(grid(), 3, 1), QStringLiteral("100"));
    }

    void exportImportAndDownloadGoThroughTheFileDialogs()
    {
        platform::ScriptedFileDialogs dialogs;
        const QString file = environment->folder.filePath("axes.Bas");
        dialogs.chooseNext(file);
        page->findChild<QPushButton*>(QString::number(ids::Export))->click();
        QCOMPARE(dialogs.requests().at(0).kind, platform::FileDialogKind::Save);
        QCOMPARE(dialogs.requests().at(0).filter,
                 QStringLiteral("Basic Files (*.Bas)|*.Bas|All Files (*.*)|*.*||"));
        QVERIFY(QFileInfo::exists(file));

        // Import reads the file, sends the table and rebuilds.
        environment->port.log.clear();
        dialogs.chooseNext(file);
        page->findChild<QPushButton*>(QString::number(ids::Import))->click();
        const std::vector<std::string> sent = environment->port.commands();
        QVERIFY(std::find(sent.begin(), sent.end(), "SPEED(1)=100.500000") != sent.end());
        QVERIFY(!QFileInfo::exists(environment->folder.filePath("tempfile.ini")));
        QVERIFY(page->pollTimer().isActive());

        // The download names its file after the connection, beside the program.
        page->findChild<QPushButton*>(QString::number(ids::DownloadToRom))->click();
        QVERIFY(QFileInfo::exists(environment->folder.filePath("127.0.0.11.Bas")));
        QCOMPARE(boxes->texts(), QStringList{"Download Succeed !"});

        // Without a name the user picks one; cancelling fails the export.
        environment->stem.clear();
        dialogs.cancelNext();
        page->findChild<QPushButton*>(QString::number(ids::DownloadToRom))->click();
        QCOMPARE(boxes->texts().back(), QStringLiteral("File Open Failed!"));
    }
};

class ControlMaxViewTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theReportAndTheNodesAndTheirPlaces()
    {
        korvan::testing::FakeLink link;
        korvan::testing::SpecPreset spec;
        spec.virtualAxes = 4;
        spec.realAxes = 2;
        link.setSpecRecord(spec);
        link.reply("?NODE_COUNT(0)", "1\r\n");
        link.reply("?NODE_INFO(0,0,0)", "1647\r\n");
        TestEnvironment environment;
        environment.handle = link.handle();
        environment.bus = 1;
        View_ControlMax page(environment);
        page.resize(1000, 500);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QVERIFY(page.report()->toPlainText().startsWith(
            QStringLiteral("[Controller specification]\nVirtualAxises:\t4\nRealAxises:\t2\n")));
        QVERIFY(page.report()->toPlainText().endsWith(QStringLiteral("No Io card find.")));
        QVERIFY(page.report()->isReadOnly());
        QCOMPARE(page.nodeList()->rowCount(), 1);
        QCOMPARE(page.nodeList()->columnCount(), 10);
        QCOMPARE(page.nodeList()->horizontalHeaderItem(2)->text(), QStringLiteral("厂商ID"));
        QCOMPARE(page.nodeList()->item(0, 2)->text(), QStringLiteral("松下(66fH)"));
        QCOMPARE(page.nodeList()->columnWidth(2), 100);
        QCOMPARE(page.report()->geometry(), QRect(0, 0, 400, 500));
        QCOMPARE(page.nodeList()->geometry(), QRect(400, 0, 600, 500));

        // A controller that stops answering leaves the page as it was.
        link.fail("VXC_GetSysSpecification", VXC_ERR_TIMEOUT);
        link.reply("?NODE_COUNT(0)", "3\r\n");
        page.refreshPage();
        QCOMPARE(page.nodeList()->rowCount(), 1);
        QVERIFY(page.report()->toPlainText().contains(QStringLiteral("RealAxises:\t2")));
        environment.handle = nullptr;
        page.refreshPage();
        QCOMPARE(page.nodeList()->rowCount(), 1);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    {
        AxisPagesViewTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        ControlMaxViewTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}

#include "view_axis_pages_test.moc"
