#include "history/runexport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace trevlamark {

namespace {

// The record's JSON keys that become CSV columns, in this order.
const char *const kCsvColumns[] = {
    "id", "finishedAt", "hostName", "programVersion", "kernel", "locationPath", "fileSystemType", "protocol",
    "server", "shareName", "interfaceName", "interfaceKind", "linkSpeedMbps", "mtu", "chunkSizeBytes",
    "queueDepth", "bytesPerCycle", "totalCycles", "disableCache", "writePhaseEnabled", "readPhaseEnabled",
    "samplingRateSeconds", "outcome", "errorMessage", "writeMegabytesPerSecond", "readMegabytesPerSecond",
};

QString csvValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Bool: return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double: return QString::number(value.toDouble(), 'g', 15);
    case QJsonValue::String: return value.toString();
    default: return {};
    }
}

} // namespace

std::optional<RunExport::Format> RunExport::formatFromText(const QString &text)
{
    if (text == QLatin1String("csv"))
        return Format::Csv;
    if (text == QLatin1String("json"))
        return Format::Json;
    return std::nullopt;
}

QByteArray RunExport::exported(const QList<RunRecord> &records, Format format)
{
    return format == Format::Csv ? csv(records) : json(records);
}

QString RunExport::csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray RunExport::csv(const QList<RunRecord> &records)
{
    QStringList header;
    for (const char *column : kCsvColumns)
        header.append(QLatin1String(column));
    QString text = header.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    for (const RunRecord &record : records) {
        const QJsonObject object = record.toJson();
        QStringList fields;
        for (const char *column : kCsvColumns)
            fields.append(csvField(csvValue(object.value(QLatin1String(column)))));
        text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QByteArray RunExport::samplesCsv(const RunRecord &record)
{
    const auto number = [](std::optional<double> value) {
        return value ? QString::number(*value, 'f', 3) : QString();
    };
    QString text = QStringLiteral("seconds,phase,appMegabytesPerSecond,wireInMegabytesPerSecond,"
                                  "wireOutMegabytesPerSecond\r\n");
    for (const StreamResult &sample : record.samples()) {
        text += QStringList{QString::number(sample.seconds, 'f', 3), csvField(sample.operation),
            number(sample.throughput), number(sample.wireIn), number(sample.wireOut)}.join(QLatin1Char(','))
            + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QByteArray RunExport::json(const QList<RunRecord> &records)
{
    QJsonArray array;
    for (const RunRecord &record : records)
        array.append(record.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace trevlamark
