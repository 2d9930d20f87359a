#pragma once

#include "abstractimporter.h"
#include "datamanager.h"
#include "log.h"
#include "plugininterface.h"

#include <QDateTime>

class FileLines;
struct ChannelHeader;

// The host names the interface base plainly; the meta-object answers casts to that name.
using TesselPlugin::PluginInterface;

// Reads the CSV files that Agilent ICP-MS instruments export (English, Chinese and Japanese
// software), enriched from the acquisition folder's or the batch's method and records.
//
// Besides the host's signals it leaves two dynamic properties for hosts that want more: the
// preferences it reads ("preferences": key, default, recognised values, meaning) and, after each
// import, what it found and used ("importReport"). A host may set a third, "timeZone": the IANA
// id (QString or QByteArray, "Australia/Sydney") of the zone whose wall clock the export's stamps
// and the batch log's local times show, and in which the start and end are given; empty or unset,
// the computer's zone. An id unknown here ends the import with a message, before the file is read.
// A stamp that an acquisition time with its own offset shows to be on another clock is read at
// that clock's offset ("stampOffset" in the report).
class AgilentImporter : public AbstractImporter, public PluginInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID TesselPluginInterface_iid)
    Q_INTERFACES(TesselPlugin::PluginInterface)

public:
    AgilentImporter();
    ~AgilentImporter() override;

    bool correctFormat() override;
    QString fileExtension() override;
    QObject *createInstance() override;

public slots:
    void importData(bool addToSession) override;

private:
    struct ImportRun;
    enum class Failure;

    // The stages of an import, in order; a stage that ends the import answers false.
    void runImport(bool addToSession);
    bool takeTimeZone(ImportRun &run);
    bool readFile(ImportRun &run);
    void reportNulByte(const FileLines &lines);
    void readIntensityUnit(ImportRun &run);
    bool getXMLMetadata(ImportRun &run);
    bool chooseStartTime(ImportRun &run);
    QDateTime getDateTimeFromCSV(ImportRun &run);
    void checkDayAndMonthOfStart(ImportRun &run);
    void readStartOnStampClock(ImportRun &run);
    void reportClockChangeGap(const ImportRun &run);
    bool takeChannels(ImportRun &run);
    void reportRenamedHeadings(const ChannelHeader &header);
    void takeAcquisitionFolderChannels(ImportRun &run);
    bool readTable(ImportRun &run);
    void reportUncountedRows(const FileLines &lines, int rowsRead);
    void handOff(ImportRun &run, bool addToSession);
    void announceResults(const ImportRun &run);
    void addToDataStore(const ImportRun &run);

    void publishReport(const ImportRun &run);
    // Ends a failed import: its log entry, then its closing signals.
    void fail(Failure failure, const QString &warning);

    DataManager *dataManager;
};
