#pragma once

#include "abstractimporter.h"
#include "datamanager.h"
#include "importoutcome.h"
#include "log.h"
#include "plugininterface.h"

#include <optional>

struct ChannelPlan;
struct ImportReport;
struct StartTime;

// The host names the interface base plainly; the meta-object answers casts to that name.
using TesselPlugin::PluginInterface;

// Reads the CSV files that Agilent ICP-MS instruments export (English, Chinese and Japanese
// software), enriched from the acquisition folder's or the batch's method and records.
//
// Besides the host's signals it leaves two dynamic properties for hosts that want more: the
// preferences it reads ("preferences", PreferenceDeclarations) and, after each import, what it
// found and used ("importReport", an ImportReport). A host may set a third, "timeZone": the IANA
// id (QString or QByteArray, "Australia/Sydney") of the zone whose wall clock the export's stamps
// and the batch log's local times show, and in which the start and end are given; empty or unset,
// the computer's zone. An id unknown here ends the import with a message, before the file is read.
// A host may also set "preferenceValues" (PreferenceValues): the import then reads its preferences
// from them, a key they lack at its default, and never from the settings store.
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
    struct Findings;
    struct Delivery;

    // The import: its stages in order, each a value from values; the driver logs what each
    // found and ends the import at the first failure.
    void runImport(bool addToSession);
    void logStart(const StartTime &start);
    void handOff(const Delivery &delivery, const Findings &found, bool addToSession);
    void announce(const Delivery &delivery);
    void store(const Delivery &delivery);
    // The base's fields and the report, from what the import found, once it ends.
    void takeFindings(const Findings &found, const std::optional<QString> &preferredMachine);
    // Ends a failed import: its log entries, then its closing signals.
    void fail(const ImportFailure &failure, const Findings &found);
    // Clears what the last import left in the base's fields, and gives machineName the host's.
    void startClean();

    DataManager *dataManager;
    // machineName is the host's input and the import's result at once: the host's value is kept
    // apart, and a machineName still as the last import left it is not taken for the host's.
    QString hostMachineName;
    QString machineNameLeft;
};
