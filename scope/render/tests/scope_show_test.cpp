#include "scope/render/scope_show.h"

#include <QTest>

using namespace korvan::scope;

class ScopeShowTest : public QObject
{
    Q_OBJECT
private slots:
    void paintsTheRecordThroughTheRenderer()
    {
        ScopeRecord record;
        record.channelCount = 1;
        record.depth = 600;
        record.total = 600;
        record.buffer.allocate(1, 600);
        for (int s = 0; s < 600; ++s)
            record.buffer.channel(0)[s] = 500.0F; // 50 px above the centre
        CScopeShow show;
        show.resize(600, 300);
        show.setRecord(&record);
        bool asked = false;
        show.setParentFlags([&](RenderInput& in) {
            asked = true;
            in.shown[0] = true;
        });
        const QImage shot = show.grab().toImage();
        QVERIFY(asked);
        QCOMPARE(shot.pixel(250, 100) & 0xFFFFFF,
                 qRgb(redOf(kDefaultChannelColors[0]), greenOf(kDefaultChannelColors[0]),
                      blueOf(kDefaultChannelColors[0])) &
                     0xFFFFFF);
    }

    void dirtyRectangles()
    {
        ScopeView view;
        view.horizontalScale = 200.0;
        view.viewStart = 100;
        const auto r = sampleRangeRect(300, 500, 600, 300, view);
        QVERIFY(r.has_value());
        QCOMPARE(r->left, 100 - 20);
        QCOMPARE(r->right, 200 + 20);
        QCOMPARE(r->bottom, 300);
        QVERIFY(!sampleRangeRect(5000, 6000, 600, 300, view));
        QVERIFY(sampleRangeRect(0, 100000, 600, 300, view)); // spans the whole width
        view.xyMode = true;
        QVERIFY(!sampleRangeRect(300, 500, 600, 300, view));
        QCOMPARE(labelRect(3).bottom, 60);
        QCOMPARE(draggedViewStart(100, 150, 200.0, 30), 0);
        QCOMPARE(draggedViewStart(100, 150, 200.0, 300), 200);
        QCOMPARE(scrollPage(100.0, 790), 500);
    }
};

QTEST_MAIN(ScopeShowTest)
#include "scope_show_test.moc"
