#pragma once

#include "image/Compiler.h"

#include <QString>

// The two image files in a configuration's bin folder. The device must never receive a
// bank.bin and a bank2.bin from different compiles, so both are written together.

// Writes <projectDir>/bin/bank.bin and <projectDir>/bin/bank2.bin; creates the bin folder when
// it is missing. Both images go to temporary files first and replace the old ones only when
// both are complete, so a failure before that changes neither. The images are written only as
// regular files inside the configuration's own bin folder: a symbolic link (bin, bank.bin or
// bank2.bin) or anything else that is not a regular file is refused and nothing is touched.
// Empty text on success, else what failed.
QString Write_Banks(const QString& projectDir, const CompiledBanks& banks);

// Where Write_Banks puts the two files.
QString bankPath(const QString& projectDir);
QString bank2Path(const QString& projectDir);

// True for the name of a temporary file that Write_Banks makes beside the images. One left
// behind by a killed process is removed by the next Write_Banks.
bool isBankTemporary(const QString& fileName);
