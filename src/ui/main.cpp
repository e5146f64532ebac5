// A demo window with the test screen's widgets on made-up data; the real
// screens replace it.

#include "ui/combinedgraphsview.h"
#include "ui/gaugepanelview.h"
#include "ui/networkgraphcontainer.h"

#include <QApplication>
#include <QVBoxLayout>
#include <cmath>

using namespace trevlamark;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setStyle(QStringLiteral("Fusion"));

    const QDateTime now = QDateTime::currentDateTime();
    QList<TestData> chart;
    QList<NetworkTrafficSample> traffic;
    for (int i = 0; i < 500; ++i) {
        const bool writing = i < 240;
        TestData point;
        point.id = QUuid::createUuid();
        point.timestamp = now.addMSecs(-50'000 + i * 100);
        point.operation = writing ? QStringLiteral("write") : QStringLiteral("read");
        point.phaseId = writing ? 1 : 2;
        point.throughput = writing ? 320 + 30 * std::sin(i / 6.0) : 410 + 20 * std::cos(i / 5.0);
        if (i < 240 || i > 260)
            chart.append(point);
        NetworkTrafficSample sample;
        sample.id = QUuid::createUuid();
        sample.timestamp = point.timestamp;
        sample.throughputOut = writing ? point.throughput * 0.97 : 1;
        sample.throughputIn = writing ? 1 : point.throughput * 0.97;
        traffic.append(sample);
    }

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *gauges = new GaugePanelView(&window);
    gauges->setNetworkMaxSpeedMbps(10000);
    gauges->setInterfaceMTU(9000);
    gauges->setChartData(chart);
    gauges->setTestRunTime(50);
    auto *graphs = new CombinedGraphsView(&window);
    graphs->setNetworkLocation(true);
    graphs->setInterfaceID(QStringLiteral("eth0"));
    graphs->setNetworkRawSpeed(QStringLiteral("10GbaseT"));
    graphs->setMaxY(550);
    graphs->setChartData(chart);
    graphs->setNetworkChartData(traffic);
    graphs->setShowNetworkOverlay(true);
    auto *network = new NetworkGraphContainer(&window);
    network->setMaxY(550);
    network->setSamples(traffic);
    layout->addWidget(gauges);
    layout->addWidget(graphs);
    layout->addWidget(network);
    QObject::connect(graphs, &CombinedGraphsView::timeWindowChanged, network, &NetworkGraphContainer::setTimeWindow);
    window.resize(800, 750);
    window.show();
    return app.exec();
}
