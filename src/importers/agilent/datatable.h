#pragma once

#include "columns.h"
#include "importoutcome.h"
#include "largebuffer.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QTimeZone>

#include <functional>
#include <memory>
#include <vector>

class FileLines;

// The columns of one import: absolute times and one column per channel name, each allocated
// once at its final length. The reader writes every slot of the rows it reads.
class DataTable
{
public:
    // A time column of rowCount slots; channel columns come with allocateChannels.
    explicit DataTable(int rowCount);

    // One column per channel name; a repeated name's later column takes the entry. False when
    // the memory cannot be had.
    bool allocateChannels(const QStringList &channelNames);

    int rowCount() const { return int(timeColumn->n_elem); }
    Column &time() { return *timeColumn; }
    const QHash<QString, Column *> &channels() const { return byName; }
    // Keeps the first rows only: for a table that ended before its counted rows.
    void truncate(int rows);

private:
    void makeColumns(const QStringList &channelNames, int rows);

    LargeBuffer timeMemory;
    LargeBuffer channelMemory;
    std::unique_ptr<Column> timeColumn;
    arma::uword stride; // slots per column, as allocated
    std::vector<std::unique_ptr<Column>> columns;
    QStringList names;
    QHash<QString, Column *> byName;
};

// Tables whose data lines take at least this many bytes are read by several threads: below it,
// starting them costs more than it saves.
const qsizetype parallelReadBytes = qsizetype(4) << 20;

// Reads the data lines (from the fifth line on) into the table: the time field plus
// startSeconds, then each value field into the column of the channel at its position (0.0 for
// the channels a short line lacks). Stops at a line whose first field is empty, at the end of
// the lines and after the counted rows; fields beyond the channel names are ignored. Returns the
// number of rows read. progress(rowIndex) is called every rowCount/20 rows when there are more
// than 20 rows, in order and on the calling thread.
// threads: how many threads read (each its own ranges of rows, the calling thread among them);
// 0 chooses one for tables under parallelReadBytes and one per core (at most 8) above. The
// result does not depend on it.
int readDataRows(const FileLines &lines, const QStringList &channelNames, double startSeconds,
                 DataTable &table, const std::function<void(int)> &progress, int threads = 0);

// Closes the table after its rows: the last time plus 1 ms, and NaN in every channel.
void writeTerminatingRow(DataTable &table, const QStringList &channelNames, int rowsRead);

// The table of an import as the host receives it: the rows read and the closing row.
struct ImportTable
{
    std::unique_ptr<DataTable> table;
    QDateTime end; // the last data row's time, in the zone
    QStringList warnings;
};

// Reads the export's table for the channels, its times counted from start (the end as the zone's
// clock shows it), and releases the lines' content. Fails when the table would hold more values
// than the file has bytes (beyond a small table), when its memory cannot be had, and when it holds
// no data row. progress(row, rowCount) is called as readDataRows calls it.
Outcome<ImportTable> readImportTable(const QString &path, FileLines &lines,
                                     const QStringList &channelNames, const QDateTime &start,
                                     const QTimeZone &zone,
                                     const std::function<void(int, int)> &progress);
