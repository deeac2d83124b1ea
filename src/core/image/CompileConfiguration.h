#pragma once

#include "core/image/Compiler.h"

#include <QString>

// Step 4's compile: a configuration's two files into the images in its bin folder.
struct CompiledConfiguration {
    CompiledBanks banks; // what was written
    QString error;       // empty on success; else what failed, the compile's or the write's text
    bool ok() const { return error.isEmpty(); }
};

// Compiles `configDir`'s M_Bus.xml and ParGen.xml fully in memory, then writes bank.bin and
// bank2.bin. A failure at either step leaves the images on disk as they were: the device must
// never get stale images while the user is told nothing.
CompiledConfiguration compileConfiguration(const QString& configDir);
