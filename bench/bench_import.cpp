// Throughput of the import and of its stages on a generated export.
//   bench_import [benchmark flags]      (TESSEL_BENCH_EXPORT=FILE to use a file of your own)
#include "agilentimporter.h"
#include "datatable.h"
#include "filelines.h"
#include "timestamptext.h"

#include "settingsstore.h"
#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

QString exportPath;

QByteArray exportBytes()
{
    QFile file(exportPath);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(exportPath));
    return file.readAll();
}

void reportRates(benchmark::State &state, qint64 bytes, qint64 rows)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    state.counters["rows/s"] =
        benchmark::Counter(double(rows) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Import(benchmark::State &state)
{
    const bool addToSession = state.range(0) != 0;
    const QByteArray bytes = exportBytes();
    const int rows = countDataLines(bytes);
    for (auto _ : state) {
        AgilentImporter importer;
        importer.fileName = exportPath;
        importer.importData(addToSession);
        Session()->data()->clear();
    }
    reportRates(state, bytes.size(), rows);
}
BENCHMARK(BM_Import)->ArgName("addToSession")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_CountRows(benchmark::State &state)
{
    const QByteArray bytes = exportBytes();
    int rows = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(rows = countDataLines(bytes));
    reportRates(state, bytes.size(), rows);
}
BENCHMARK(BM_CountRows)->Unit(benchmark::kMillisecond);

void BM_ReadTable(benchmark::State &state)
{
    const FileLines lines(exportBytes());
    const int rows = countDataLines(lines.content());
    const QStringList channels =
        QString::fromUtf8(lines.line(3)).trimmed().split(QLatin1Char(',')).mid(1);
    for (auto _ : state) {
        DataTable table(rows + 1);
        table.allocateChannels(channels);
        benchmark::DoNotOptimize(readDataRows(lines, channels, 1.6e9, table, [](int) {}));
    }
    reportRates(state, lines.content().size(), rows);
}
BENCHMARK(BM_ReadTable)->Unit(benchmark::kMillisecond);

void BM_StampSearch(benchmark::State &state)
{
    const FileLines lines(exportBytes());
    const StampLine line = state.range(0) ? StampLine::Printed : StampLine::Acquired;
    for (auto _ : state)
        benchmark::DoNotOptimize(findStampText(lines, line));
    reportRates(state, lines.content().size(), 1);
}
BENCHMARK(BM_StampSearch)->ArgName("printed")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    moveSettingsStore(dir.path()); // never the user's preferences
    QSettings().clear();
    exportPath = QString::fromLocal8Bit(qgetenv("TESSEL_BENCH_EXPORT"));
    if (exportPath.isEmpty()) {
        exportPath = dir.filePath(QStringLiteral("bench.csv"));
        const QByteArray command = QByteArrayLiteral(TESSEL_GENERATOR) +
                                   " --rows 68000 --channels 40 --seed 7 " +
                                   QFile::encodeName(exportPath);
        if (std::system(command.constData()) != 0)
            qFatal("the export generator failed");
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
