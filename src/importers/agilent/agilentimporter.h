#pragma once

#include "abstractimporter.h"
#include "datamanager.h"
#include "log.h"
#include "plugininterface.h"

#include <QDateTime>

class FileLines;

// The host names the interface base plainly; the meta-object answers casts to that name.
using TesselPlugin::PluginInterface;

// Reads the CSV files that Agilent ICP-MS instruments export (English, Chinese and Japanese
// software), enriched from the acquisition folder's AcqMethod.xml and sample_info.xml.
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

    // The stages of an import, in order; a stage that ends the import answers false.
    void runImport(bool addToSession);
    bool readFile(ImportRun &run);
    void reportNulByte(const FileLines &lines);
    void readIntensityUnit(ImportRun &run);
    bool chooseStartTime(ImportRun &run);
    void checkDayAndMonthOfStart(ImportRun &run);
    bool takeChannels(ImportRun &run);
    void takeAcquisitionFolderChannels(ImportRun &run);
    void orderChannelsAsTheHeader(ImportRun &run);
    bool readTable(ImportRun &run);
    void reportUncountedRows(const FileLines &lines, int rowsRead);
    void handOff(ImportRun &run, bool addToSession);
    void announceResults(const ImportRun &run);
    void addToDataStore(const ImportRun &run);

    QDateTime getDateTimeFromCSV(const FileLines &lines);
    bool getXMLMetadata(ImportRun &run);
    void publishReport(const ImportRun &run);

    // Failure exits: each writes its log entry and ends the import with its closing signals.
    void failOpen(const QString &reason);
    void failLoad(const QString &warning);
    void failTimestamp(const QString &warning);
    void failChannelHeader();
    void failTimeStamp(const QString &origin, const QString &warning, const QString &error,
                       const QString &userMessage);

    DataManager *dataManager;
};
