#include "workbench/axis/views/view_single_axis.h"

#include "platform/core/private_profile.h"
#include "platform/ui/message_box.h"
#include "workbench/axis/tests/fake_axis_port.h"
#include "workbench/axis/views/program_hardware_defaults.h"
#include "workbench/axis/views/single_axis_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QtTest>

#include <algorithm>
#include <optional>

using namespace korvan::axis;
using korvan::axis::testing::FakeAxisPort;

namespace {

class Environment final : public SingleAxisEnvironment
{
public:
    int currentSlot() const final { return slot; }
    AxisPort* slotPort(int s) final { return s == slot ? &port : nullptr; }
    int language() const final { return languageFlag; }
    int linkType(int) const final { return link; }
    int eciFlag(int) const final { return 0; }
    QString caption(const QString& section, const QString& key) const final
    {
        if (section != "SingleAxis")
            return "NULL";
        if (languageFile)
            return QString::fromStdString(
                languageFile->readString(section.toStdString(), key.toStdString(), "NULL"));
        return key == "IDC_HOME_START" ? QStringLiteral("启动回零") : captions.value(key, "NULL");
    }

    FakeAxisPort port;
    int slot = 0;
    int languageFlag = 1;
    int link = 2;
    QMap<QString, QString> captions;
    std::optional<korvan::platform::PrivateProfile> languageFile;
};

// The width a control's caption needs and the room the control gives it.
struct CaptionRoom
{
    int needed = 0;
    int room = 0;
};

CaptionRoom RoomOf(QWidget* control)
{
    const QFontMetrics metrics = control->fontMetrics();
    if (auto* label = qobject_cast<QLabel*>(control))
        return {metrics.horizontalAdvance(label->text()), label->contentsRect().width()};
    if (auto* group = qobject_cast<QGroupBox*>(control))
        return {metrics.horizontalAdvance(group->title()), group->width()};
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (!button)
        return {};
    const bool radio = qobject_cast<QRadioButton*>(control);
    if (radio || qobject_cast<QCheckBox*>(control)) {
        // The text is drawn beside the indicator, in the contents rectangle.
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect contents = button->style()->subElementRect(
            radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, button);
        return {metrics.horizontalAdvance(button->text()), contents.width()};
    }
    return {metrics.horizontalAdvance(button->text()), button->width() - 2}; // the bevel
}

} // namespace

class ViewSingleAxisTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_env = std::make_unique<Environment>();
        m_table = std::make_unique<AxisTable>();
        m_memory = std::make_unique<AxisPanelMemory>();
        m_env->port.defaultAnswer = {0, "0"};
        m_session = std::make_unique<SingleAxisSession>(*m_env, *m_table, *m_memory);
        createView();
    }
    void cleanup()
    {
        m_view.reset();
        m_session.reset();
    }

    void showAxisBuildsTheStatusListAndCaptions()
    {
        m_table->set(AxisRow::Atype, 3, 65.0f);
        m_view->ShowAxis(1, 0, 3);
        auto* list = qobject_cast<QTableWidget*>(m_view->control(1093));
        QCOMPARE(list->rowCount(), 26);
        QCOMPARE(list->horizontalHeaderItem(1)->text(), QString("axis3"));
        QCOMPARE(list->item(0, 1)->text(), QString("65-ECAT轴 CSP"));
        QCOMPARE(list->item(19, 0)->text(), QString("命令位置(units)"));
        QCOMPARE(qobject_cast<QPushButton*>(m_view->control(1143))->text(), QString("启动回零"));
        QCOMPARE(qobject_cast<QPushButton*>(m_view->control(1144))->text(), QString("NULL"));
        QVERIFY(!m_view->control(1142)->isEnabled());
        QCOMPARE(m_view->statusPeriodMs(), 100);
        QVERIFY(m_env->port.commands().front() == "?MTYPE(3)");
        // The one-shot refresh shows the output numbers the controller has.
        m_env->port.blocks["CLEAR_OUT"] = {4};
        m_view->runTimer(2);
        QCOMPARE(qobject_cast<QLineEdit*>(m_view->control(1140))->text(), QString("-1"));
        QCOMPARE(qobject_cast<QLineEdit*>(m_view->control(1139))->text(), QString("4"));
    }

    // Each language file's captions, and the captions the panel sets itself,
    // fit their controls: a clipped caption hides what a lamp or a field is.
    void captionsOfBothLanguagesFitTheirControls_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("file");
        QTest::newRow("Chinese") << 1 << "kLang0.ini";
        QTest::newRow("English") << 0 << "kLang1.ini";
    }
    void captionsOfBothLanguagesFitTheirControls()
    {
        QFETCH(int, language);
        QFETCH(QString, file);
        m_env->languageFlag = language;
        m_env->languageFile.emplace(qEnvironmentVariable("KORVAN_SOURCE_DIR").toStdString() +
                                    "/resources/" + file.toStdString());
        m_view->ShowAxis(3, 0, 0);
        // Both captions of the toggles: jog and step, single and loop latch.
        for (int id : {1184, 1172})
            qobject_cast<QCheckBox*>(m_view->control(id))->click();
        QStringList clipped;
        auto check = [&] {
            for (const FormControl& c : kSingleAxisForm) {
                QWidget* control = m_view->control(c.id);
                const CaptionRoom caption = RoomOf(control);
                if (caption.needed > caption.room)
                    clipped << QString("%1 \"%2\" needs %3 of %4 px")
                                   .arg(c.id)
                                   .arg(control->property("text").toString() +
                                        control->property("title").toString())
                                   .arg(caption.needed)
                                   .arg(caption.room);
            }
        };
        check();
        for (int id : {1184, 1172})
            qobject_cast<QCheckBox*>(m_view->control(id))->click();
        check();
        clipped.removeDuplicates();
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));
        QStringList missing;
        for (const FormControl& c : kSingleAxisForm)
            if (c.key && m_env->caption("SingleAxis", c.key) == "NULL")
                missing << c.key;
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    }

    void failedSpecificationKeepsTheFieldsOfTheAxisShownBefore()
    {
        m_memory->at(0, 1).moveSpeed = 11.0f;
        m_memory->at(0, 2).moveSpeed = 22.0f;
        m_view->ShowAxis(1, 0, 1);
        m_env->port.counts.reset();
        m_env->port.log.clear();
        m_view->ShowAxis(1, 0, 2);
        QVERIFY(std::find(m_env->port.log.begin(), m_env->port.log.end(), "?MTYPE(2)") ==
                m_env->port.log.end());
        QCOMPARE(qobject_cast<QLineEdit*>(m_view->control(1152))->text(), QString("11"));
        QCOMPARE(m_view->logic().axis(), 2);
    }

    void serialLinkPollsEvery300Ms()
    {
        m_env->link = 1;
        m_view->ShowAxis(1, 0, 0);
        QCOMPARE(m_view->statusPeriodMs(), 300);
    }

    void jogPressAndReleaseThroughTheButtons()
    {
        m_view->ShowAxis(1, 0, 2);
        m_env->port.log.clear();
        auto* forward = qobject_cast<QPushButton*>(m_view->control(1157));
        QTest::mousePress(forward, Qt::LeftButton);
        QTest::mouseRelease(forward, Qt::LeftButton);
        const std::vector<std::string> expected{"SPEED(2)=100.000000",  "SRAMP(2)=0.000000",
                                                "ACCEL(2)=1000.000000", "DECEL(2)=1000.000000",
                                                "VMOVE(1) AXIS(2)",     "CANCEL(2) AXIS(2)"};
        QVERIFY(m_env->port.commands() == expected);
    }

    void editedFieldsAreSavedByTimer1()
    {
        m_view->ShowAxis(1, 0, 1);
        auto* speed = qobject_cast<QLineEdit*>(m_view->control(1152));
        speed->setText("25");
        emit speed->editingFinished();
        m_view->runTimer(1);
        QCOMPARE(m_memory->at(0, 1).moveSpeed, 25.0f);
    }

    void statusPollRewritesChangedRowsAndLamps()
    {
        m_view->ShowAxis(1, 0, 0);
        m_env->port.answers["?AXISSTATUS(0)"] = {0, "48"};
        m_env->port.answers["?DPOS(0)"] = {0, "7.5"};
        m_view->runTimer(0);
        auto* list = qobject_cast<QTableWidget*>(m_view->control(1093));
        QCOMPARE(list->item(24, 1)->text(), QString("正限位报警"));
        QCOMPARE(list->item(19, 1)->text(), QString("7.5"));
        QVERIFY(m_view->control(1094)->property("lampOn").toBool());
        QVERIFY(m_view->control(1095)->property("lampOn").toBool());
        QVERIFY(!m_view->control(1097)->property("lampOn").toBool());
    }

    void compareOverwriteAsksThroughTheMessageService()
    {
        korvan::platform::ScriptedMessageBoxes boxes;
        m_view->ShowAxis(1, 0, 0);
        qobject_cast<QLineEdit*>(m_view->control(1176))->setText("3");
        qobject_cast<QPushButton*>(m_view->control(1183))->click();
        QVERIFY(!m_view->control(1176)->isEnabled());
        m_view->ShowAxis(1, 0, 1);
        qobject_cast<QLineEdit*>(m_view->control(1176))->setText("3");
        boxes.answerNext(korvan::platform::MessageAnswer::Cancel);
        qobject_cast<QPushButton*>(m_view->control(1183))->click();
        QCOMPARE(boxes.texts(), QStringList{"当前比较器已启动，是否覆盖！"});
        QCOMPARE(m_memory->at(0, 1).compareRunning, 0);
        QCOMPARE(m_memory->at(0, 0).compareRunning, 1);
    }

    void unreadableDefaultsFileShowsTheErrorBox()
    {
        korvan::platform::ScriptedMessageBoxes boxes;
        HardwareDefaultsFile file = ProgramHardwareDefaults(m_view.get());
        file.path = "/nonexistent/AxisInit.xml";
        QCOMPARE(static_cast<int>(ApplyHardwareDefaults(m_env->port, *m_table, file)), 2);
        QCOMPARE(boxes.requests().size(), std::size_t{1});
        QCOMPARE(boxes.requests()[0].title, QString("错误"));
        QCOMPARE(boxes.requests()[0].text, QString("无法正确读取xml文件"));
        QVERIFY(boxes.requests()[0].icon == korvan::platform::MessageIcon::Error);
    }

    void resizeStretchesTheListAndLeftGroups()
    {
        m_view->ShowAxis(1, 0, 0);
        m_view->resize(1700, 700);
        QCOMPARE(m_view->control(1093)->height(), 700);
        QCOMPARE(m_view->control(1100)->y() + m_view->control(1100)->height(), 700);
        QCOMPARE(m_view->control(1104)->y() + m_view->control(1104)->height(), 700);
        // A panel smaller than its form scrolls to every control instead of cutting them off.
        m_view->resize(700, 300);
        auto* scroll = m_view->findChild<QScrollArea*>();
        QVERIFY(scroll);
        QWidget* form = m_view->control(1093)->parentWidget();
        for (int id : {1182, 1183, 1164, 1173}) {
            QVERIFY2(m_view->control(id)->geometry().right() < form->width(),
                     qPrintable(QString::number(id)));
            QVERIFY2(m_view->control(id)->geometry().bottom() < form->height(),
                     qPrintable(QString::number(id)));
        }
        QVERIFY(scroll->horizontalScrollBar()->maximum() > 0);
        QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
        QCOMPARE(m_view->control(1093)->height(), form->height());
        const QByteArray shot = qgetenv("KORVAN_AXIS_SHOT");
        if (!shot.isEmpty()) {
            for (const FormControl& c : kSingleAxisForm)
                if (c.key && c.caption)
                    m_env->captions[c.key] = QString::fromUtf8(c.caption);
            m_view->ShowAxis(1, 0, 0);
            m_view->resize(1450, 480);
            m_view->grab().save(QString::fromLocal8Bit(shot));
        }
    }

    // The main frame deletes the panel when another kind of view is shown;
    // the reciprocating move and the comparator owners must not go with it.
    void stateOutlivesTheView()
    {
        korvan::platform::ScriptedMessageBoxes boxes;
        m_env->port.answers["?REMAIN_BUFFER(1) AXIS(1)"] = {0, "60"};
        m_view->ShowAxis(1, 0, 1);
        qobject_cast<QLineEdit*>(m_view->control(1162))->setText("0"); // endless
        qobject_cast<QLineEdit*>(m_view->control(1176))->setText("5");
        qobject_cast<QPushButton*>(m_view->control(1163))->click();
        qobject_cast<QPushButton*>(m_view->control(1183))->click();
        QVERIFY(m_session->reciprocationFeedRunning());
        m_view.reset();

        m_env->port.log.clear();
        QTRY_VERIFY_WITH_TIMEOUT(std::count(m_env->port.log.begin(), m_env->port.log.end(),
                                            "MOVE(100.000000) AXIS(1)") >= 2,
                                 2000);
        QCOMPARE(m_memory->at(0, 1).reciprocationActive, 1);

        createView();
        m_view->ShowAxis(1, 0, 2);
        qobject_cast<QLineEdit*>(m_view->control(1176))->setText("5");
        boxes.answerNext(korvan::platform::MessageAnswer::Ok);
        qobject_cast<QPushButton*>(m_view->control(1183))->click();
        QCOMPARE(boxes.texts(), QStringList{"当前比较器已启动，是否覆盖！"});
        QCOMPARE(m_memory->at(0, 1).compareRunning, 0);
        QCOMPARE(m_memory->at(0, 2).compareRunning, 1);
    }

private:
    void createView()
    {
        m_view = std::make_unique<View_SingleAxis>(*m_session);
        m_view->resize(1250, 620);
        m_view->show(); // resize events reach shown widgets only
    }

    std::unique_ptr<Environment> m_env;
    std::unique_ptr<AxisTable> m_table;
    std::unique_ptr<AxisPanelMemory> m_memory;
    std::unique_ptr<SingleAxisSession> m_session;
    std::unique_ptr<View_SingleAxis> m_view;
};

QTEST_MAIN(ViewSingleAxisTest)
#include "view_single_axis_test.moc"
