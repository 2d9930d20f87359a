#include "report/jsonreport.h"

#include "model/importresult.h"
#include "report/isotime.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

namespace {

QJsonValue textOrNull(const std::optional<QString> &text)
{
    return text ? QJsonValue(*text) : QJsonValue();
}

QJsonValue timeOrNull(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(isoTimeText(time)) : QJsonValue();
}

QJsonValue epochOrNull(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(time.toMSecsSinceEpoch() / 1000.0) : QJsonValue();
}

template<typename T> QJsonValue numberOrNull(const std::optional<T> &number)
{
    return number ? QJsonValue(double(*number)) : QJsonValue();
}

QJsonArray channelsToJson(const QVector<ChannelReport> &channels)
{
    QJsonArray array;
    for (const ChannelReport &channel : channels) {
        const QJsonValue massPair =
            channel.massPair ? QJsonArray{channel.massPair->first, channel.massPair->second}
                             : QJsonValue();
        array.append(QJsonObject{
            {QStringLiteral("name"), channel.name},
            {QStringLiteral("massPair"), massPair},
            {QStringLiteral("dwellTimeSeconds"), numberOrNull(channel.dwellTimeSeconds)}});
    }
    return array;
}

QJsonArray logToJson(const QVector<LogEntry> &entries)
{
    QJsonArray array;
    for (const LogEntry &entry : entries)
        array.append(QJsonObject{{QStringLiteral("level"), logLevelName(entry.level)},
                                 {QStringLiteral("message"), entry.message},
                                 {QStringLiteral("origin"), entry.origin}});
    return array;
}

QJsonValue acquisitionFolderToJson(const std::optional<AcquisitionFolderReport> &folder)
{
    if (!folder)
        return QJsonValue();
    const auto textOrNullIfEmpty = [](const QString &text) {
        return text.isEmpty() ? QJsonValue() : QJsonValue(text);
    };
    return QJsonObject{
        {QStringLiteral("instrumentName"), folder->instrumentName},
        {QStringLiteral("sampleLabel"), folder->sampleLabel},
        {QStringLiteral("sampleLabelField"), folder->sampleLabelField},
        {QStringLiteral("methodFile"), folder->methodFile},
        {QStringLiteral("sampleRecordFile"), folder->sampleRecordFile},
        {QStringLiteral("instrumentFile"), textOrNullIfEmpty(folder->instrumentFile)},
        {QStringLiteral("acquisitionInstant"), timeOrNull(folder->acquisitionInstant)},
        {QStringLiteral("acquisitionResult"), textOrNullIfEmpty(folder->acquisitionResult)}};
}

QJsonArray warningsToJson(const std::optional<DayMonthReport> &warning, const QTimeZone &zone)
{
    if (!warning)
        return {};
    return {
        QJsonObject{{QStringLiteral("kind"), QStringLiteral("startTimeMismatch")},
                    {QStringLiteral("message"), warning->message},
                    {QStringLiteral("exportStart"), isoTimeText(warning->exportStart, zone)},
                    {QStringLiteral("acquisitionTime"), isoTimeText(warning->acquisitionInstant)},
                    {QStringLiteral("preference"), warning->preference},
                    {QStringLiteral("currentValue"), warning->dateFormat},
                    {QStringLiteral("suggestedValue"), warning->suggestedDateFormat},
                    {QStringLiteral("swappedStart"), isoTimeText(warning->swappedStart, zone)}}};
}

QJsonArray outputsToJson(const QVector<FileOutput> &outputs)
{
    QJsonArray array;
    for (const FileOutput &output : outputs)
        array.append(QJsonObject{
            {QStringLiteral("kind"), output.kind},
            {QStringLiteral("path"), output.path},
            {QStringLiteral("error"), output.error.isEmpty() ? QJsonValue() : output.error}});
    return array;
}

const char jsonDocumentStart[] = "{\n    \"files\": [\n";

// A JSON value as QJsonDocument writes it indented, nested the given number of spaces deep: every
// line but the first moved right, without the final line break.
QString nestedJson(const QJsonObject &object, int depth)
{
    QString text = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
    text.chop(1);
    return text.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(depth, QLatin1Char(' ')));
}

} // namespace

void JsonDocumentWriter::addFile(const QJsonObject &file)
{
    out << (filesWritten == 0 ? jsonDocumentStart : ",\n") << "        " << nestedJson(file, 8);
    ++filesWritten;
}

void JsonDocumentWriter::finish(const QJsonObject &overview)
{
    // QJsonDocument writes the keys in order, and "files" comes first: the rest of the document
    // is the rest of the object it writes for the other keys.
    const QJsonObject rest{{QStringLiteral("overview"), overview},
                           {QStringLiteral("schemaVersion"), reportSchemaVersion},
                           {QStringLiteral("timeZone"), timeZone}};
    out << (filesWritten == 0 ? jsonDocumentStart : "\n") << "    ],\n"
        << QString::fromUtf8(QJsonDocument(rest).toJson(QJsonDocument::Indented)).mid(2);
}

QJsonObject importToJson(const ImportResult &result)
{
    const bool imported = !result.importer.isEmpty();
    return QJsonObject{
        {QStringLiteral("file"), result.file},
        {QStringLiteral("importer"), imported ? QJsonValue(result.importer) : QJsonValue()},
        {QStringLiteral("ok"), result.ok},
        {QStringLiteral("sampleName"), textOrNull(result.sampleName)},
        {QStringLiteral("machineName"), imported ? QJsonValue(result.machineName) : QJsonValue()},
        {QStringLiteral("startTime"), timeOrNull(inTimeZone(result.start, result.timeZone))},
        {QStringLiteral("endTime"), timeOrNull(inTimeZone(result.end, result.timeZone))},
        {QStringLiteral("startEpoch"), epochOrNull(result.start)},
        {QStringLiteral("stampOffset"), result.report.stampOffset.isEmpty()
                                            ? QJsonValue()
                                            : QJsonValue(result.report.stampOffset)},
        {QStringLiteral("endEpoch"), epochOrNull(result.end)},
        {QStringLiteral("durationSeconds"), numberOrNull(result.durationSeconds)},
        {QStringLiteral("rowCount"), result.rowCount},
        {QStringLiteral("dataRowCount"), dataRowsOf(result.rowCount)},
        {QStringLiteral("sizeInBytes"), numberOrNull(result.sizeInBytes)},
        {QStringLiteral("intensityUnit"), result.report.intensityUnit.isEmpty()
                                              ? QJsonValue()
                                              : QJsonValue(result.report.intensityUnit)},
        {QStringLiteral("channels"), channelsToJson(result.channels)},
        {QStringLiteral("messages"), QJsonArray::fromStringList(result.messages)},
        {QStringLiteral("errors"), QJsonArray::fromStringList(result.errors)},
        {QStringLiteral("log"), logToJson(result.log)},
        {QStringLiteral("acquisitionFolder"),
         acquisitionFolderToJson(result.report.acquisitionFolder)},
        {QStringLiteral("warnings"), warningsToJson(result.report.dayMonthCheck, result.timeZone)},
        {QStringLiteral("outputs"), outputsToJson(result.outputs)}};
}
