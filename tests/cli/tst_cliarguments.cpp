#include "cli/cliarguments.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <climits>


using namespace trevlamark;

class tst_CliArguments : public QObject
{
    Q_OBJECT

private slots:
    void valueParsers_data();
    void valueParsers();
    void acceptsEveryOption();
    void refusals_data();
    void refusals();
    void pathProblems();
    void helpRequested();
};

void tst_CliArguments::valueParsers_data()
{
    QTest::addColumn<QString>("parser");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value"); // empty: refused
    const QList<QStringList> rows{
        {"chunk", "64K", "65536"}, {"chunk", "64MB", "67108864"}, {"chunk", "1mb", "1048576"}, {"chunk", "3MB", ""},
        {"chunk", "64KB", ""}, {"chunk", "1048576", ""},
        {"option", "536870912", "512MB"}, {"option", "1073741824", "1GB"}, {"option", "314572800", "Custom"},
        {"queue depth", "1", "1"}, {"queue depth", "256", "256"}, {"queue depth", "0", ""}, {"queue depth", "257", ""},
        {"queue depth", "+3", ""}, {"queue depth", "0x10", ""}, {"queue depth", "2.5", ""}, {"queue depth", "", ""},
        {"cycles", "2147483647", "2147483647"}, {"cycles", "2147483648", ""}, {"cycles", "99999999999999999999", ""},
        {"sampling", "0.01", "0.01"}, {"sampling", "60", "60"}, {"sampling", "0.001", ""}, {"sampling", "-1", ""},
        {"sampling", "61", ""}, {"sampling", "nan", ""}, {"sampling", "inf", ""}, {"sampling", "0.5s", ""}};
    for (const QStringList &row : rows)
        QTest::addRow("%s %s", qPrintable(row.at(0)), qPrintable(row.at(1))) << row.at(0) << row.at(1) << row.at(2);
}

void tst_CliArguments::valueParsers()
{
    QFETCH(QString, parser);
    QFETCH(QString, text);
    QFETCH(QString, value);
    std::optional<QString> parsed;
    if (parser == QLatin1String("chunk")) {
        if (const auto option = CliArguments::parseChunkSize(text))
            parsed = QString::number(chunkSizeBytes(*option));
    } else if (parser == QLatin1String("option")) {
        parsed = displayText(CliArguments::bytesPerCycleOption(text.toULongLong()));
    } else if (parser == QLatin1String("sampling")) {
        if (const auto seconds = CliArguments::parseSamplingRate(text))
            parsed = QString::number(*seconds);
    } else if (const auto number = CliArguments::parseInteger(text, 1, parser == QLatin1String("cycles") ? INT_MAX : 256)) {
        parsed = QString::number(*number);
    }
    QCOMPARE(parsed.value_or(QString()), value);
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
         "--no-read", "--cache", "--verify", "--sampling-rate", "0.5", "--json", "-", "--quiet", "--verbose", "sub"});
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(outcome, CliArguments::Outcome::Proceed);
    const RunOptions &options = cli.runOptions();
    QCOMPARE(options.request.locationPath, QDir::cleanPath(location.path()) + QStringLiteral("/sub"));
    QCOMPARE(options.request.chunkSize, ThroughputTestOptions::size64KB);
    QCOMPARE(options.request.queueDepth, 256);
    QCOMPARE(options.request.bytesPerCycle, BytesPerCycleOptions::custom);
    QCOMPARE(options.request.customBytesPerCycle, quint64(314572800));
    QCOMPARE(options.request.totalCycles, 3);
    QVERIFY(options.request.writePhaseEnabled && !options.request.readPhaseEnabled && !options.request.disableCache && options.request.verifyData);
    QCOMPARE(options.request.samplingRateSeconds, 0.5);
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
    QTest::newRow("verify from fio servers") << QStringList{"--verify", "--clients", "127.0.0.2"}
        << "--verify checks data read on this computer; allowed: no --verify with --clients";
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

void tst_CliArguments::pathProblems()
{
    QTemporaryDir location;
    QCOMPARE(CliArguments::locationProblem(location.path()), QString());
    const QString missing = location.filePath(QStringLiteral("missing"));
    QCOMPARE(CliArguments::locationProblem(missing),
        QStringLiteral("Location \"%1\" does not exist; allowed: an existing directory you may write to").arg(missing));
    const QString file = location.filePath(QStringLiteral("file"));
    QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    QVERIFY(CliArguments::locationProblem(file).contains(QStringLiteral("is not a directory")));

    QCOMPARE(CliArguments::jsonPathProblem(QStringLiteral("-")), QString());
    QCOMPARE(CliArguments::jsonPathProblem(location.filePath(QStringLiteral("result.json"))), QString());
    QVERIFY(CliArguments::jsonPathProblem(location.path()).contains(QStringLiteral("is a directory")));
    QVERIFY(CliArguments::jsonPathProblem(missing + QStringLiteral("/result.json"))
                .contains(QStringLiteral("is not in a writable directory")));
}

void tst_CliArguments::helpRequested()
{
    CliArguments cli;
    QCOMPARE(cli.parseRun({"trevlamark-cli", "run", "--help-all"}), CliArguments::Outcome::ShowHelp);
    QCOMPARE(cli.parseRun({"trevlamark-cli", "run", "--help"}), CliArguments::Outcome::ShowHelp);
    for (const char *option : {"--chunk", "--queue-depth", "--bytes", "--cycles", "--no-write", "--no-read",
                               "--cache", "--verify", "--sampling-rate", "--json", "--quiet", "--verbose"})
        QVERIFY2(cli.helpText().contains(QLatin1String(option)), option);
}

QTEST_GUILESS_MAIN(tst_CliArguments)
#include "tst_cliarguments.moc"
