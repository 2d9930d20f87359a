#pragma once

#include "columns.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class FileLines;

// The columns of one import: absolute times and one column per channel name, all allocated
// once at their final length.
class DataTable
{
public:
    // rowCount zeros in the time column; channel columns come with allocateChannels.
    explicit DataTable(int rowCount);

    // One zero-filled column per channel name; a repeated name's later column takes the entry.
    void allocateChannels(const QStringList &channelNames);

    int rowCount() const { return int(timeColumn.n_elem); }
    Column &time() { return timeColumn; }
    const QHash<QString, Column *> &channels() const { return byName; }
    // Keeps the first rows only: for a table that ended before its counted rows.
    void truncate(int rows);

private:
    Column timeColumn;
    std::vector<std::unique_ptr<Column>> columns;
    QHash<QString, Column *> byName;
};

// Reads the data lines (from the fifth line on) into the table: the time field plus
// startSeconds, then each value field into the column of the channel at its position. Stops at
// a line whose first field is empty, at the end of the lines and after the counted rows; fields
// beyond the channel names are ignored. Returns the number of rows read.
// progress(rowIndex) is called every rowCount/20 rows when there are more than 20 rows.
int readDataRows(const FileLines &lines, const QStringList &channelNames, double startSeconds,
                 DataTable &table, const std::function<void(int)> &progress);

// Closes the table after its rows: the last time plus 1 ms, and NaN in every channel.
void writeTerminatingRow(DataTable &table, const QStringList &channelNames, int rowsRead);
