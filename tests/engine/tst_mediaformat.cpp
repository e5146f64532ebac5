// The media formats: the shipped list, the one conversion from published
// units to bytes per frame, the refusal of bad custom formats, and the
// estimate of streams that a measured rate carries.

#include "engine/mediaformatcatalog.h"
#include "engine/playsestimate.h"

#include <QJsonObject>
#include <QTest>

#include <cmath>

using namespace trevlamark;

class tst_MediaFormat : public QObject
{
    Q_OBJECT

private slots:
    void shippedFormats_data();
    void shippedFormats();
    void refusals_data();
    void refusals();
    void customFormatsTakeTheShippedPlace();
    void streams_data();
    void streams();
};

void tst_MediaFormat::shippedFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<quint64>("bytesPerFrame");
    QTest::addColumn<double>("megabytesPerSecond");
    QTest::addColumn<bool>("sequence");

    // 884 Mb/s of 10^6 bits at 30000/1001 fps written as 29.97.
    QTest::newRow("ProRes, Mb/s") << "ProRes 422 HQ UHD 29.97" << quint64(3687020) << 105.38 << false;
    // 104.08 MB/s of 10^6 bytes.
    QTest::newRow("DNxHR, MB/s of 10^6 bytes") << "DNxHR HQ UHD 29.97" << quint64(3472806) << 99.26 << false;
    // 132.6 MB/s of 10^6 bytes is 126.4 MB/s of 1,048,576.
    QTest::newRow("uncompressed, bytes per frame") << "v210 HD 23.976" << quint64(5529600) << 126.44 << false;
    QTest::newRow("frame sequence") << "DPX 10-bit 4K DCI 23.976" << quint64(35397632) << 809.38 << true;
    QTest::newRow("any letter case") << "prores 422 proxy hd 25" << quint64(190000) << 4.53 << false;
}

void tst_MediaFormat::shippedFormats()
{
    QFETCH(QString, name);
    QFETCH(quint64, bytesPerFrame);
    QFETCH(double, megabytesPerSecond);
    QFETCH(bool, sequence);

    const QList<MediaFormat> formats = MediaFormatCatalog::builtIn();
    QCOMPARE(formats.size(), 210);
    for (const MediaFormat &format : formats)
        QVERIFY2(!format.source.isEmpty() && !format.custom, qPrintable(format.name));
    const std::optional<MediaFormat> format = MediaFormatCatalog::find(formats, name);
    QVERIFY(format);
    QCOMPARE(format->bytesPerFrame, bytesPerFrame);
    QCOMPARE(std::round(format->megabytesPerSecond() * 100) / 100, megabytesPerSecond);
    QCOMPARE(format->layout == MediaFormat::Layout::Sequence, sequence);
}

void tst_MediaFormat::refusals_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("problem");

    QTest::newRow("not JSON") << QByteArray("[{") << "not JSON";
    QTest::newRow("no list") << QByteArray("{\"name\": \"x\"}") << "no list of formats";
    QTest::newRow("no name") << QByteArray("[{\"width\": 1}]") << "A format has no name";
    QTest::newRow("no size") << QByteArray("[{\"name\": \"A\", \"width\": 0, \"height\": 10}]") << "needs a width and height";
    QTest::newRow("no frame rate")
        << QByteArray("[{\"name\": \"A\", \"width\": 1, \"height\": 1, \"bytesPerFrame\": 8192}]") << "needs a frame rate";
    QTest::newRow("two rates") << QByteArray("[{\"name\": \"A\", \"width\": 1, \"height\": 1, \"framesPerSecond\": 25, "
                                             "\"bytesPerFrame\": 8192, \"megabitsPerSecond\": 10}]")
                               << "needs exactly one of";
    QTest::newRow("frames under 4 KiB") << QByteArray("[{\"name\": \"A\", \"width\": 1, \"height\": 1, "
                                                      "\"framesPerSecond\": 25, \"bytesPerFrame\": 100}]")
                                        << "at least 4 KiB";
    QTest::newRow("twice") << QByteArray("[{\"name\": \"A\", \"width\": 1, \"height\": 1, \"framesPerSecond\": 25, "
                                         "\"bytesPerFrame\": 8192}, {\"name\": \"a\", \"width\": 1, \"height\": 1, "
                                         "\"framesPerSecond\": 25, \"bytesPerFrame\": 8192}]")
                           << "listed twice";
}

void tst_MediaFormat::refusals()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, problem);
    QString reason;
    QVERIFY(!MediaFormatCatalog::parse(json, &reason));
    QVERIFY2(reason.contains(problem), qPrintable(reason));
}

void tst_MediaFormat::customFormatsTakeTheShippedPlace()
{
    QString problem;
    const std::optional<QList<MediaFormat>> custom = MediaFormatCatalog::parse(
        "{\"formats\": [{\"name\": \"v210 HD 25\", \"width\": 1920, \"height\": 1080, \"framesPerSecond\": 25, "
        "\"megabitsPerSecond\": 8, \"sequence\": true}]}", &problem);
    QVERIFY2(custom, qPrintable(problem));
    QCOMPARE(custom->first().bytesPerFrame, quint64(40000));
    // What is saved reads back the same.
    QCOMPARE(MediaFormatCatalog::parse(MediaFormatCatalog::toJson(*custom), &problem), custom);
    const QList<MediaFormat> merged = MediaFormatCatalog::merged(MediaFormatCatalog::builtIn(), *custom);
    QCOMPARE(merged.size(), 210);
    QVERIFY(MediaFormatCatalog::find(merged, QStringLiteral("V210 HD 25"))->custom);
}

void tst_MediaFormat::streams_data()
{
    QTest::addColumn<double>("measured");
    QTest::addColumn<int>("headroom");
    QTest::addColumn<int>("streams");

    // The format below moves 10 MB/s of 1,048,576 bytes.
    QTest::newRow("20 % kept") << 100.0 << 20 << 8;
    QTest::newRow("exactly eight streams' worth") << 80.0 << 0 << 8;
    QTest::newRow("just under") << 99.9 << 20 << 7;
    QTest::newRow("no headroom") << 100.0 << 0 << 10;
    QTest::newRow("less than one stream") << 12.0 << 20 << 0;
    QTest::newRow("nothing measured") << 0.0 << 20 << 0;
}

void tst_MediaFormat::streams()
{
    QFETCH(double, measured);
    QFETCH(int, headroom);
    QFETCH(int, streams);
    MediaFormat format;
    format.framesPerSecond = 10;
    format.bytesPerFrame = 1048576;
    QCOMPARE(PlaysEstimate::streams(measured, format, headroom), streams);
}

QTEST_APPLESS_MAIN(tst_MediaFormat)
#include "tst_mediaformat.moc"
