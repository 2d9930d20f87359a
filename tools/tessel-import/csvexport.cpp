#include "csvexport.h"

#include "datamanager.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace {

void appendNumber(std::string &line, double value)
{
    if (std::isnan(value)) {
        line += "nan";
        return;
    }
    char text[32];
    // to_chars writes "inf" and "-inf" itself.
    line.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string headerLine(const QStringList &channelNames)
{
    const QStringList names = QStringList{QStringLiteral("time")} + channelNames;
    return names.join(QLatin1Char(',')).toStdString() + '\n';
}

} // namespace

QString exportPath(const QString &folder, const QString &inputFile)
{
    return QDir(folder).filePath(QFileInfo(inputFile).completeBaseName() + QStringLiteral(".csv"));
}

bool exportCsv(const RawInput &input, const QString &targetPath, QString *error)
{
    std::vector<const Column *> columns;
    for (const QString &name : input.channelNames) {
        const auto column = input.channels.constFind(name);
        if (column == input.channels.constEnd()) {
            *error = QStringLiteral("the stored data lack the channel %1").arg(name);
            return false;
        }
        columns.push_back(&column.value());
    }

    QSaveFile file(targetPath);
    if (!QDir().mkpath(QFileInfo(targetPath).path()) || !file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(targetPath, file.errorString());
        return false;
    }
    std::string line = headerLine(input.channelNames);
    file.write(line.data(), qint64(line.size()));
    for (arma::uword row = 0; row + 1 < arma::uword(input.rowCount); ++row) {
        line.clear();
        appendNumber(line, input.time[row]);
        for (const Column *column : columns) {
            line += ',';
            appendNumber(line, (*column)[row]);
        }
        line += '\n';
        file.write(line.data(), qint64(line.size()));
    }
    if (file.commit())
        return true;
    *error = QStringLiteral("cannot write %1: %2").arg(targetPath, file.errorString());
    return false;
}
