#include "cli/cliarguments.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace trevlamark;

class tst_CliArguments : public QObject
{
    Q_OBJECT

private slots:
    void chunkSize_data();
    void chunkSize();
    void bytesPerCycleOption_data();
    void bytesPerCycleOption();
    void integerBounds_data();
    void integerBounds();
    void samplingRate_data();
    void samplingRate();
    void defaults();
    void acceptsEveryOption();
    void refusals_data();
    void refusals();
    void locationProblems();
    void jsonPathProblems();
    void helpRequested();
};

void tst_CliArguments::chunkSize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("bytes"); // 0: refused
    QTest::newRow("64K") << "64K" << qint64(65536);
    QTest::newRow("1MB") << "1MB" << qint64(1048576);
    QTest::newRow("64MB") << "64MB" << qint64(67108864);
    QTest::newRow("lower case") << "1mb" << qint64(1048576);
    QTest::newRow("3MB") << "3MB" << qint64(0);
    QTest::newRow("bare number") << "1048576" << qint64(0);
}

void tst_CliArguments::chunkSize()
{
    QFETCH(QString, text);
    QFETCH(qint64, bytes);
    const auto option = CliArguments::parseChunkSize(text);
    QCOMPARE(option.has_value(), bytes != 0);
    if (option)
        QCOMPARE(chunkSizeBytes(*option), bytes);
}

void tst_CliArguments::bytesPerCycleOption_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<BytesPerCycleOptions>("option");
    QTest::newRow("512MB") << quint64(536870912) << BytesPerCycleOptions::size512MB;
    QTest::newRow("1GB") << quint64(1073741824) << BytesPerCycleOptions::size1GB;
    QTest::newRow("300MB") << quint64(314572800) << BytesPerCycleOptions::custom;
    QTest::newRow("1TB") << quint64(1099511627776) << BytesPerCycleOptions::custom;
}

void tst_CliArguments::bytesPerCycleOption()
{
    QFETCH(quint64, bytes);
    QFETCH(BytesPerCycleOptions, option);
    QCOMPARE(CliArguments::bytesPerCycleOption(bytes), option);
}

void tst_CliArguments::integerBounds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value"); // -1: refused
    QTest::newRow("queue depth 1") << "1" << 1 << 256 << 1;
    QTest::newRow("queue depth 0") << "0" << 1 << 256 << -1;
    QTest::newRow("queue depth 257") << "257" << 1 << 256 << -1;
    QTest::newRow("plus sign") << "+3" << 1 << 256 << -1;
    QTest::newRow("fraction") << "2.5" << 1 << 256 << -1;
    QTest::newRow("empty") << "" << 1 << 256 << -1;
    QTest::newRow("cycles int max") << "2147483647" << 1 << INT_MAX << INT_MAX;
    QTest::newRow("cycles beyond int") << "2147483648" << 1 << INT_MAX << -1;
}

void tst_CliArguments::integerBounds()
{
    QFETCH(QString, text);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    const std::optional<int> parsed = CliArguments::parseInteger(text, minimum, maximum);
    QCOMPARE(parsed.value_or(-1), value);
}

void tst_CliArguments::samplingRate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("seconds"); // 0: refused
    QTest::newRow("default") << "0.1" << 0.1;
    QTest::newRow("highest") << "60" << 60.0;
    QTest::newRow("zero") << "0" << 0.0;
    QTest::newRow("negative") << "-1" << 0.0;
    QTest::newRow("too large") << "61" << 0.0;
    QTest::newRow("infinity") << "inf" << 0.0;
    QTest::newRow("trailing text") << "0.5s" << 0.0;
}

void tst_CliArguments::samplingRate()
{
    QFETCH(QString, text);
    QFETCH(double, seconds);
    QCOMPARE(CliArguments::parseSamplingRate(text).value_or(0.0), seconds);
}

void tst_CliArguments::defaults()
{
    QTemporaryDir location;
    CliArguments cli;
    QCOMPARE(cli.parseRun({"trevlamark-cli", "run", location.path()}), CliArguments::Outcome::Proceed);
    const RunOptions &options = cli.runOptions();
    QCOMPARE(options.locationPath, QDir::cleanPath(location.path()));
    QCOMPARE(options.chunkSize, ThroughputTestOptions::size1MB);
    QCOMPARE(options.queueDepth, 8);
    QCOMPARE(options.bytesPerCycle, BytesPerCycleOptions::size4GB);
    QCOMPARE(options.totalCycles, 1);
    QVERIFY(options.writePhaseEnabled && options.readPhaseEnabled && options.disableCache);
    QCOMPARE(options.samplingRateSeconds, 0.1);
}

void tst_CliArguments::acceptsEveryOption()
{
    QTemporaryDir location;
    // A relative location is made absolute against the working directory.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(location.path()));
    QVERIFY(QDir().mkdir(QStringLiteral("sub")));
    CliArguments cli;
    const CliArguments::Outcome outcome = cli.parseRun(
        {"trevlamark-cli", "run", "--chunk", "64K", "--queue-depth", "256", "--bytes", "300MB", "--cycles", "3",
         "--no-read", "--cache", "--sampling-rate", "0.5", "--json", "-", "--quiet", "--verbose", "sub"});
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(outcome, CliArguments::Outcome::Proceed);
    const RunOptions &options = cli.runOptions();
    QCOMPARE(options.locationPath, QDir::cleanPath(location.path()) + QStringLiteral("/sub"));
    QCOMPARE(options.chunkSize, ThroughputTestOptions::size64KB);
    QCOMPARE(options.queueDepth, 256);
    QCOMPARE(options.bytesPerCycle, BytesPerCycleOptions::custom);
    QCOMPARE(options.customBytesPerCycle, quint64(314572800));
    QCOMPARE(options.totalCycles, 3);
    QVERIFY(options.writePhaseEnabled && !options.readPhaseEnabled && !options.disableCache);
    QCOMPARE(options.samplingRateSeconds, 0.5);
    QCOMPARE(options.jsonPath, QStringLiteral("-"));
    QVERIFY(options.quiet && options.verbose);
}

void tst_CliArguments::refusals_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    QTest::newRow("chunk") << QStringList{"--chunk", "3MB"}
                           << "Unknown chunk size \"3MB\"; allowed: 64K, 128K, 256K, 512K, 1MB, 2MB, 4MB, 8MB, 16MB, 32MB, 64MB";
    QTest::newRow("queue depth 0") << QStringList{"--queue-depth", "0"}
                                   << "Queue depth \"0\" is out of range; allowed: a whole number from 1 to 256";
    QTest::newRow("cycles 0") << QStringList{"--cycles", "0"}
                              << "Cycles \"0\" is out of range; allowed: a whole number from 1 to 2147483647";
    QTest::newRow("amount 0") << QStringList{"--bytes", "0MB"} << "Bytes per cycle \"0MB\" is zero";
    QTest::newRow("amount beyond 64 bits") << QStringList{"--bytes", "16777216TB"}
                                           << "Bytes per cycle \"16777216TB\" does not fit in 64 bits";
    QTest::newRow("malformed amount") << QStringList{"--bytes", "lots"} << "Bytes per cycle \"lots\" is not an amount";
    QTest::newRow("amount under one chunk") << QStringList{"--bytes", "32MB", "--chunk", "64MB"}
        << "Bytes per cycle \"32MB\" is smaller than the chunk size 64MB; allowed: at least one chunk";
    QTest::newRow("both phases off") << QStringList{"--no-write", "--no-read"}
        << "--no-write and --no-read cannot be used together";
    QTest::newRow("sampling rate") << QStringList{"--sampling-rate", "0"}
                                   << "Sampling rate \"0\" is out of range; allowed: seconds from 0.01 to 60";
    QTest::newRow("unknown option") << QStringList{"--turbo"} << "Unknown option 'turbo'.";
    QTest::newRow("missing value") << QStringList{"--chunk"} << "Missing value after '--chunk'.";
    QTest::newRow("two locations") << QStringList{"/tmp"} << "Unexpected argument \"/tmp\"; allowed: one LOCATION";
}

void tst_CliArguments::refusals()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    QTemporaryDir location;
    CliArguments cli;
    QCOMPARE(cli.parseRun(QStringList{"trevlamark-cli", "run", location.path()} + options),
             CliArguments::Outcome::Invalid);
    QVERIFY2(cli.errorText().contains(message), qPrintable(cli.errorText()));
    QVERIFY(!cli.errorText().contains(QLatin1Char('\n')));
}

void tst_CliArguments::locationProblems()
{
    QTemporaryDir location;
    QCOMPARE(CliArguments::locationProblem(location.path()), QString());

    const QString missing = location.filePath(QStringLiteral("missing"));
    QCOMPARE(CliArguments::locationProblem(missing),
             QStringLiteral("Location \"%1\" does not exist; allowed: an existing directory you may write to").arg(missing));

    const QString file = location.filePath(QStringLiteral("file"));
    QFile plain(file);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(CliArguments::locationProblem(file).contains(QStringLiteral("is not a directory")));

    CliArguments cli;
    QCOMPARE(cli.parseRun({"trevlamark-cli", "run", missing}), CliArguments::Outcome::Invalid);
    QVERIFY(cli.errorText().contains(QStringLiteral("does not exist")));
    QVERIFY(!QFileInfo::exists(missing));
}

void tst_CliArguments::jsonPathProblems()
{
    QTemporaryDir location;
    QCOMPARE(CliArguments::jsonPathProblem(QStringLiteral("-")), QString());
    QCOMPARE(CliArguments::jsonPathProblem(location.filePath(QStringLiteral("result.json"))), QString());
    QVERIFY(CliArguments::jsonPathProblem(location.path()).contains(QStringLiteral("is a directory")));
    QVERIFY(CliArguments::jsonPathProblem(location.filePath(QStringLiteral("missing/result.json")))
                .contains(QStringLiteral("is not in a writable directory")));
}

void tst_CliArguments::helpRequested()
{
    CliArguments cli;
    QCOMPARE(cli.parseRun({"trevlamark-cli", "run", "--help-all"}), CliArguments::Outcome::ShowHelp);
    QCOMPARE(cli.parseRun({"trevlamark-cli", "run", "--help"}), CliArguments::Outcome::ShowHelp);
    for (const char *option : {"--chunk", "--queue-depth", "--bytes", "--cycles", "--no-write", "--no-read",
                               "--cache", "--sampling-rate", "--json", "--quiet", "--verbose"})
        QVERIFY2(cli.helpText().contains(QLatin1String(option)), option);
}

QTEST_GUILESS_MAIN(tst_CliArguments)
#include "tst_cliarguments.moc"
