#pragma once

#include "core/history/ImageCompare.h"
#include "core/image/ImageDecode.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class LanguageTable;

// What each update handed to the updater, kept in the configuration's folder:
// history/<date-time>/ with bank.bin, bank2.bin, ParGen.xml, M_Bus.xml (those that existed) and
// Update.xml (form, path, option, read back, outcome). The newest entries are kept.
namespace UpdateHistory {

inline constexpr int Kept = 20;
inline constexpr const char* FolderName = "history";
inline constexpr const char* RecordName = "Update.xml";

enum class Outcome {
    Started,     // written before the start; stays when the end was never recorded
    Finished,    // the updater ended; see exitCode
    LeftRunning, // still running at the wait's limit
    Crashed,     // ended without an exit code
};

// What was known of the images an update sent, and what the user answered.
enum class ImagesSent {
    NotJudged,   // recorded before the images were judged, or nothing was sent
    Matching,    // compiled from the configuration as it was
    NotMatching, // compiled from other files: sent because the user said so
    NotKnown,    // made before images knew their source: sent because the user said so
};

struct Record {
    QString folder;   // the entry's folder
    QDateTime date;   // UTC
    int formType = 0; // 0 serial, 1 Ethernet
    QString path;     // the port name or the device address, as handed over
    int option = 0;
    bool readBack = false;
    Outcome outcome = Outcome::Started;
    int exitCode = 0;
    qint64 limitMs = 0;  // the wait's limit, for the "still running" text
    qint64 sequence = 0; // the order the entries were made, whatever the clock said
    ImagesSent images = ImagesSent::NotJudged;
    // Only options 0 and 2 send the images; a firmware-only update leaves them as they were.
    bool sentImages() const { return option == 0 || option == 2; }
};

// Copies the configuration's bin images and its two files into a new entry and records
// `details` with the outcome Started; then removes the oldest entries beyond Kept. Nothing is
// written through a link. On failure nothing of the new entry is left, and the text says what
// failed, with the file's name.
struct Created {
    Record record;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
Created create(const QString& projectDir, const Record& details, const QDateTime& nowUtc,
               int keep = Kept);

// Rewrites the entry's record with how the updater ended; empty text on success.
QString setOutcome(Record& record, Outcome outcome, int exitCode);

// Removes an entry made for an update whose updater could not be started.
void discard(const Record& record);

// Entries, newest first (in the order they were made); an entry whose record cannot be read
// is left out.
QList<Record> list(const QString& projectDir);

// What else lies in history/ (names that are no date-time, links, files), listed apart and
// never pruned.
QStringList otherFolders(const QString& projectDir);

// Where the images and the configuration's files of an update lie.
struct Loaded {
    ImageDecode::Images images;
    ImageCompare::Labels labels;
    QString error; // empty when both images decode
    bool ok() const { return error.isEmpty(); }
};
// bank.bin at `bankPath`, bank2.bin beside it; descriptions from an M_Bus.xml beside it or one
// folder up (a configuration's bin folder).
Loaded loadImages(const QString& bankPath);
// A history entry (images at its top), else a configuration folder, compiled in memory from
// its ParGen.xml and M_Bus.xml as step 4 would compile it.
Loaded loadFolder(const QString& folder);

// What the bin images of a configuration change compared with the last update that sent
// images and ended with exit code 0 (else the last one that sent images): a heading and the
// lines in words.
struct Comparison {
    QString heading;
    QStringList lines;
    QList<ImageCompare::Change> changes;
    bool first = false;   // no update sent images yet
    QString imagesNotice; // the images are not the compile of the configuration's files
    QString error;        // the images could not be read
    // Nodes of M_Bus.xml the images leave out: no comparison of images can show them.
    QStringList warnings;
};
Comparison compareWithLastUpdate(const QString& projectDir, const LanguageTable& texts);

// Texts for the report and the list of updates.
QString outcomeText(const Record& record, const LanguageTable& texts);
QString optionText(const Record& record, const LanguageTable& texts);
QString dateText(const Record& record);

} // namespace UpdateHistory
