// The analysis side panel on the scope panel, against the scripted controller:
// what it reads out, what its mouse tools and buttons change, and that hidden
// it leaves the specified panel as it was.
#include "platform/core/private_profile.h"
#include "platform/ui/file_dialogs.h"
#include "platform/ui/message_box.h"
#include "scope/core/tests/fake_scope_link.h"
#include "scope/render/scope_show.h"
#include "scope/ui/dialog_scope.h"
#include "scope/ui/spectrum_view.h"
#include "testing/widget_lookup.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <cmath>
#include <fstream>
#include <numbers>

using namespace korvan::scope;
using korvan::platform::PrivateProfile;

namespace {

constexpr int kPanelWidth = 1400; // display 1400 − 290 − 340 = 770 px wide with the side panel

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, {});
    QApplication::sendEvent(w, &event);
}

} // namespace

class AnalysisPanelTest : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    std::filesystem::path ini() const { return (m_dir.path() + "/Wavora.INI").toStdString(); }

    struct Rig
    {
        explicit Rig(const std::filesystem::path& file, std::int32_t servoUs = 1000)
        {
            link.servoPeriodUs = servoUs;
            panel = std::make_unique<CDialogScope>(link, spec, ScopeSettingsFile(file));
            panel->resize(kPanelWidth, 560);
            panel->show();
        }
        /// A single capture of n samples of both channels, read in full.
        void capture(int n)
        {
            panel->startCapture();
            panel->manualTrigger();
            link.produce(n);
            panel->pollTick();
        }
        ScopeAnalysisPanel& analysis() { return *panel->analysis(); }
        CScopeShow& display() { return *panel->display(); }
        const ScopeView& view() { return display().input().view; }

        korvan::platform::ScriptedMessageBoxes boxes;
        testing::FakeScopeLink link;
        ControllerSpec spec;
        std::unique_ptr<CDialogScope> panel;
    };

private slots:
    void init() { std::filesystem::remove(ini()); }

    void hiddenItLeavesTheSpecifiedPanelAlone()
    {
        Rig rig(ini());
        QVERIFY(!rig.analysis().isVisible());
        QCOMPARE(rig.display().width(), kPanelWidth - 290);
        QVERIFY(!rig.analysis().overlay().enabled);
        rig.capture(500);
        // Without the side panel the display is the specified picture, nothing more.
        QImage plain(rig.display().size(), QImage::Format_RGB32);
        ScopeRenderer::paint(plain, rig.display().input());
        QCOMPARE(rig.display().renderImage(rig.display().size()), plain);

        rig.panel->showAnalysis(true);
        QVERIFY(rig.analysis().isVisible());
        QCOMPARE(rig.display().width(), kPanelWidth - 290 - ScopeAnalysisPanel::kWidth);
        QCOMPARE(rig.analysis().geometry().right(), kPanelWidth - 1);
        // Its own settings go to a section of their own; "Scope" keeps its keys.
        const PrivateProfile file(ini());
        QCOMPARE(file.readInt("Analysis", "Panel", 0), 1);
        for (const std::string& key : file.keyNames("Scope"))
            QVERIFY2(key.find("Panel") == std::string::npos, key.c_str());

        Rig again(ini());
        QVERIFY(again.analysis().isVisible()); // remembered, and the switch says so
        QPushButton* toggle =
            korvan::testing::buttonWithCaption(again.panel.get(), QStringLiteral("Analysis <<"));
        QVERIFY(toggle && toggle->isChecked());
        again.panel->showAnalysis(false);
        QCOMPARE(again.display().width(), kPanelWidth - 290);
    }

    void statusLineFollowsTheCapture()
    {
        Rig rig(ini());
        QCOMPARE(rig.panel->statusText(), QStringLiteral("Stopped"));
        rig.panel->startCapture();
        QCOMPARE(rig.panel->statusText(), QStringLiteral("Armed: waiting for the trigger"));
        rig.panel->manualTrigger();
        rig.link.produce(400);
        rig.panel->pollTick();
        QCOMPARE(rig.panel->statusText(), QStringLiteral("Filling 400 / 1000 (40 %)"));
        rig.link.produce(600);
        rig.panel->pollTick();
        QVERIFY(rig.panel->statusText().startsWith(QStringLiteral("Complete: 1000 samples")));
        rig.panel->stopCapture();
        QCOMPARE(rig.panel->statusText(), QStringLiteral("Stopped: 1000 samples kept"));
    }

    void refusedSetupShowsTheRefusalAndStaysStopped()
    {
        Rig rig(ini());
        rig.link.replies["SCOPE(1,1,8000,9999,VP_SPEED(0),VP_SPEED(1))"] = "ERROR: SCOPE: busy";
        rig.panel->startCapture();
        QCOMPARE(rig.boxes.texts(), QStringList{QStringLiteral("ERROR: SCOPE: busy")});
        QVERIFY(!rig.panel->engine().state().running);
        QVERIFY(korvan::testing::buttonWithCaption(rig.panel.get(), QStringLiteral("设置"))
                    ->isEnabled());
        QCOMPARE(rig.panel->statusText(), QStringLiteral("Stopped"));
    }

    void measurementsInRealUnits()
    {
        for (const auto& [servoUs, rise] :
             {std::pair{1000, QStringLiteral("760 ms")}, {500, QStringLiteral("380 ms")}}) {
            Rig rig(ini(), servoUs);
            rig.panel->showAnalysis(true);
            rig.capture(1000);
            rig.analysis().fitRecord();
            rig.analysis().refresh();
            QCOMPARE(rig.analysis().measureRange().count(), 1000);
            // A ramp from 0 to 999 is a step: 10 to 90 % of its levels (24.5 to 974.5).
            QCOMPARE(rig.analysis().measurementText(MeasureRow::Minimum, 0), QStringLiteral("0"));
            QCOMPARE(rig.analysis().measurementText(MeasureRow::Maximum, 1),
                     QStringLiteral("100999"));
            QCOMPARE(rig.analysis().measurementText(MeasureRow::Rise, 0), rise);
            QCOMPARE(rig.analysis().measurementText(MeasureRow::Frequency, 0), QStringLiteral("-"));
        }
    }

    void cursorsReadDeltaTAndEachChannel()
    {
        Rig rig(ini(), 500);
        rig.panel->showAnalysis(true);
        rig.capture(1000);
        rig.analysis().setTimeCursors(true);
        rig.analysis().placeTimeCursor(0, 100);
        rig.analysis().placeTimeCursor(1, 350);
        const QString text = rig.analysis().cursorText();
        QVERIFY2(text.contains(QStringLiteral("\u0394t 125 ms   1/\u0394t 8 Hz")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("1 VP_SPEED(0): 100 | 350 (\u0394 250)")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("2 VP_SPEED(1): 100100 | 100350")), qPrintable(text));

        // Measured between the cursors: 251 samples.
        rig.analysis().setMeasureRange(MeasureRange::BetweenCursors);
        rig.analysis().refresh();
        QCOMPARE(rig.analysis().measureRange().first, 100);
        QCOMPARE(rig.analysis().measureRange().last, 350);
        QCOMPARE(rig.analysis().measurementText(MeasureRow::Mean, 0), QStringLiteral("225"));

        rig.analysis().setValueCursors(true);
        rig.analysis().placeValueCursor(0, 10);
        rig.analysis().placeValueCursor(1, 35.5);
        QVERIFY(rig.analysis().cursorText().contains(QStringLiteral("\u0394V 25.5")));
    }

    void draggingACursorMovesItNotTheView()
    {
        Rig rig(ini());
        rig.panel->showAnalysis(true);
        rig.capture(1000);
        rig.analysis().setTimeCursors(true);
        rig.analysis().placeTimeCursor(0, 200); // x 200 at the default scale
        CScopeShow* d = &rig.display();
        mouse(d, QEvent::MouseButtonPress, {201, 300}, Qt::LeftButton, Qt::LeftButton);
        mouse(d, QEvent::MouseMove, {320, 300}, Qt::NoButton, Qt::LeftButton);
        mouse(d, QEvent::MouseButtonRelease, {320, 300}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(*rig.analysis().overlay().cursorA, 320.0);
        QCOMPARE(rig.view().viewStart, 0);
        // Away from the cursors the left drag is the panel's own: it moves the view.
        mouse(d, QEvent::MouseButtonPress, {500, 300}, Qt::LeftButton, Qt::LeftButton);
        mouse(d, QEvent::MouseMove, {450, 300}, Qt::NoButton, Qt::LeftButton);
        mouse(d, QEvent::MouseButtonRelease, {450, 300}, Qt::LeftButton, Qt::NoButton);
        QCOMPARE(rig.view().viewStart, 50);
        QCOMPARE(*rig.analysis().overlay().cursorA, 320.0);
        // The pointer's readout names every shown channel's value.
        mouse(d, QEvent::MouseMove, {100, 300}, Qt::NoButton, Qt::NoButton);
        QVERIFY2(rig.analysis().pointerText().contains(QStringLiteral("1 VP_SPEED(0): 150")),
                 qPrintable(rig.analysis().pointerText()));
    }

    void wheelBoxFitAndBack()
    {
        Rig rig(ini());
        rig.panel->showAnalysis(true);
        rig.capture(1000);
        CScopeShow* d = &rig.display();
        QLineEdit* scaleBox = rig.panel->findChildren<QLineEdit*>().first();

        // One notch towards the screen zooms in at the pointer: sample 400 stays at x 400.
        QWheelEvent wheel(QPointF(400, 200), d->mapToGlobal(QPointF(400, 200)), {}, {0, 120},
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(d, &wheel);
        QCOMPARE(scaleBox->text(), QStringLiteral("80"));
        QCOMPARE(rig.panel->settings().horizontalScale, 80.0);
        QCOMPARE(rig.view().viewStart, 80); // 400 − 400 × 0.8

        // A right drag from x 100 to x 300 shows those samples across the width.
        mouse(d, QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
        mouse(d, QEvent::MouseMove, {300, 105}, Qt::NoButton, Qt::RightButton);
        QVERIFY(rig.analysis().overlay().band);
        mouse(d, QEvent::MouseButtonRelease, {300, 105}, Qt::RightButton, Qt::NoButton);
        QVERIFY(!rig.analysis().overlay().band);
        QCOMPARE(rig.view().viewStart, 160);                   // 80 + 100 × 0.8
        QCOMPARE(rig.panel->settings().horizontalScale, 21.0); // 160.8 samples on 770 px

        rig.analysis().fitRecord();
        QCOMPARE(rig.view().viewStart, 0);
        QCOMPARE(rig.panel->settings().horizontalScale, 130.0); // ceil(1000 × 100 / 770)
        QCOMPARE(rig.panel->findChild<QScrollBar*>()->value(), 0);

        rig.analysis().back();
        QCOMPARE(rig.view().viewStart, 160);
        QCOMPARE(rig.panel->settings().horizontalScale, 21.0);
        rig.analysis().back();
        rig.analysis().back();
        QCOMPARE(rig.view().viewStart, 0);
        QCOMPARE(rig.panel->settings().horizontalScale, 100.0);
    }

    void autoscaleGoesThroughTheRowBoxes()
    {
        Rig rig(ini());
        rig.panel->showAnalysis(true);
        rig.capture(1000);
        rig.analysis().setSelectedChannel(1);
        rig.analysis().fitRecord();
        rig.analysis().autoscaleChannel();
        const ScopeChannel& row = rig.panel->channels()[1];
        // Channel 2 holds 100000 to 100999: centred, on at least three quarters of the height.
        QCOMPARE(row.offset, -100499.5F);
        QCOMPARE(rig.display().input().offsets[1], row.offset);
        const int height = rig.display().height();
        const int top = valueY(100999.0F, row.offset, row.scale, height / 2);
        const int bottom = valueY(100000.0F, row.offset, row.scale, height / 2);
        QVERIFY(top >= 0 && bottom < height);
        QVERIFY(bottom - top >= 0.75 * 0.9 * height);
        // The box rule stored them, truncated, as every change of the box does.
        ScopeChannels stored;
        ScopeSettingsFile(ini()).readChannels(stored);
        QCOMPARE(stored[1].offset, -100499.0F);
        rig.analysis().back();
        QCOMPARE(rig.panel->channels()[1].offset, 0.0F);
        QCOMPARE(rig.panel->channels()[1].scale, 1000.0F);
    }

    void softwareTriggerPlacesTheViewAndSingleStops()
    {
        {
            std::ofstream out(ini());
            out << "[Scope]\nAcquistion=1\nFollow=1\n"; // continuous, following the newest samples
        }
        Rig rig(ini());
        rig.panel->showAnalysis(true);
        rig.analysis().setTriggerSettings({.channel = 0,
                                           .level = 2500.5,
                                           .edge = TriggerEdge::Rising,
                                           .preTrigger = 0.25,
                                           .mode = TriggerMode::Single});
        rig.analysis().setTriggerEnabled(true);
        rig.panel->startCapture();
        rig.panel->manualTrigger();
        QVERIFY(rig.panel->engine().state().armed);
        const int window = rig.display().width(); // one sample per pixel
        for (int tick = 0; tick < 40 && rig.panel->engine().state().running; ++tick) {
            rig.link.produce(100);
            rig.panel->pollTick();
        }
        // The ramp of channel 1 crosses 2500.5 between samples 2500 and 2501.
        QVERIFY(rig.analysis().trigger().position());
        QCOMPARE(*rig.analysis().trigger().position(), 2500.5);
        QCOMPARE(rig.view().viewStart, static_cast<int>(std::lround(2500.5 - 0.25 * window)));
        // Single: once the window after the crossing is in, the capture stops and holds.
        QVERIFY(!rig.panel->engine().state().running);
        QVERIFY(rig.panel->record().total >= 2500.5 + 0.75 * window);
        QVERIFY(rig.analysis().triggerText().startsWith(QStringLiteral("Held")));
        QCOMPARE(*rig.analysis().overlay().triggerPosition, 2500.5);
    }

    void exportsPngSvgAndCsv()
    {
        Rig rig(ini());
        korvan::platform::ScriptedFileDialogs files;
        rig.panel->showAnalysis(true);
        rig.analysis().exportCsv();
        QCOMPARE(rig.boxes.texts().last(), QStringLiteral("没有导出数据！"));
        rig.capture(300);

        const QString png = m_dir.path() + "/plot.png";
        files.chooseNext(png);
        rig.analysis().exportPng();
        QImage image(png);
        QCOMPARE(image.size(), rig.display().size());
        QCOMPARE(image.convertToFormat(QImage::Format_RGB32),
                 rig.display().renderImage(rig.display().size()));

        const QString svg = m_dir.path() + "/plot.svg";
        files.chooseNext(svg);
        rig.analysis().exportSvg();
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBox().size(), rig.display().size());
        QFile svgFile(svg);
        QVERIFY(svgFile.open(QIODevice::ReadOnly));
        // Channel 1's trace is a path in its colour (channel 2 lies far above the display).
        const QByteArray svgText = svgFile.readAll();
        QVERIFY(svgText.contains("<path"));
        QVERIFY(svgText.contains("fill=\"#dc143c\""));

        const QString csv = m_dir.path() + "/data.csv";
        files.chooseNext(csv);
        rig.analysis().exportCsv();
        QCOMPARE(files.requests().back().defaultExtension, QStringLiteral(".csv"));
        std::ifstream in(csv.toStdString());
        std::string header, first, line;
        std::getline(in, header);
        std::getline(in, first);
        int rows = 1;
        while (std::getline(in, line))
            ++rows;
        QCOMPARE(header, std::string("sample,time_s,VP_SPEED(0),VP_SPEED(1)"));
        QCOMPARE(first, std::string("0,0,0,100000"));
        QCOMPARE(rows, 300);

        files.chooseNext(m_dir.path() + "/no-such-dir/plot.svg");
        rig.analysis().exportSvg();
        QCOMPARE(rig.boxes.texts().last(), QStringLiteral("打开文件失败！"));
    }

    void spectrumOfAnImportedSine()
    {
        Rig rig(ini());
        korvan::platform::ScriptedFileDialogs files;
        const QString path = m_dir.path() + "/sine.txt";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("S(0)\t");
            for (int s = 0; s < 2000; ++s)
                f.write(QStringLiteral("\r\n%1\t")
                            .arg(3.0 * std::sin(s * 2 * std::numbers::pi / 50.0))
                            .toLatin1());
        }
        files.chooseNext(path);
        rig.panel->importData();
        QCOMPARE(rig.panel->record().total, 2000);
        rig.panel->showAnalysis(true);
        rig.analysis().fitRecord();
        rig.analysis().showSpectrum();
        CSpectrumView* view = rig.analysis().spectrumView();
        QVERIFY(view && view->isVisible());
        // Without a time base the frequency is per sample: a period of 50 samples is 0.02.
        const SpectrumPeak peak = strongestPeak(view->spectrum());
        QCOMPARE(std::round(peak.frequency * 1e4) / 1e4, 0.02);
        QVERIFY(std::fabs(peak.decibels - 20 * std::log10(3.0)) < 0.05);
        QVERIFY2(view->statusText().startsWith(QStringLiteral("Peak 0.02 /sample")),
                 qPrintable(view->statusText()));
        // The plot spans the lines that matter, not all the way to the Nyquist frequency.
        QCOMPARE(view->span(), 0.05);
        // The record has no time base: the cursors read in samples.
        rig.analysis().setTimeCursors(true);
        rig.analysis().placeTimeCursor(0, 10);
        rig.analysis().placeTimeCursor(1, 60);
        QVERIFY(rig.analysis().cursorText().contains(QStringLiteral("\u0394t 50 samples")));
    }
};

QTEST_MAIN(AnalysisPanelTest)
#include "analysis_panel_test.moc"
