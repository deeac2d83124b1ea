#pragma once

#include "core/image/Compiler.h"

#include <QString>
#include <QStringList>

// The two image files in a configuration's bin folder. The device must never receive a
// bank.bin and a bank2.bin from different compiles, so both are written together.

// Writes <projectDir>/bin/bank.bin and <projectDir>/bin/bank2.bin; creates the bin folder when
// it is missing. Both images are written into a new folder beside bin, with links to whatever
// else bin holds, and that folder then takes bin's place in one exchange of names: no moment
// shows one new image beside an old one. Where names cannot be exchanged (another system, a
// file system without the call, bin holding folders of its own), each image goes to a temporary
// file in bin and both are renamed only when both are complete; a failure before that changes
// neither. The images are written only as regular files inside the configuration's own bin
// folder: a symbolic link (bin, bank.bin or bank2.bin), anything else that is not a regular
// file, or a read-only image is refused and nothing is touched. Empty text on success, else
// what failed.
QString writeBanks(const QString& projectDir, const CompiledBanks& banks);

// Where writeBanks puts the two files.
QString bankPath(const QString& projectDir);
QString bank2Path(const QString& projectDir);

// True for the name of a temporary file that writeBanks makes beside the images. One left
// behind by a killed process is removed by the next writeBanks.
bool isBankTemporary(const QString& fileName);

// True for the name of the new folder that writeBanks makes beside bin (and of the old bin
// after the exchange). One left behind by a killed process is removed by the next writeBanks.
bool isBinTemporary(const QString& fileName);

// The files of a configuration that the system writes: M_Bus.xml, ParGen.xml, the images and
// the folders bin/ and history/ with everything in them. A file the user names for an export
// or a report may not be one of them (writeUserFile's `reserved`).
QStringList configurationFiles(const QString& projectDir);
