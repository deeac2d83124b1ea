#pragma once

#include "core/comm/ParGenXml.h"
#include "core/network/NetworkXml.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The image compiler: turns a configuration's M_Bus.xml and ParGen.xml into the two files the
// device loads, bank.bin (the network) and bank2.bin (the 2048-byte parameter block).
//
// compileConfiguration (CompileConfiguration.h), for the main window's update step and
// `ordano-cli compile`, does:
//     const CompileResult r = compileBanksFromFiles(state.networkFile, state.parGenFile);
//     if (!r.ok()) -> show r.error and stop: nothing is written, no update window.
//     const QString failed = writeBanks(state.projectDir, r.banks);
//     if (!failed.isEmpty()) -> show failed and stop: the device must never get stale images.
//
// The compiler reads the files with its own defaults, which differ from the windows' ones,
// and never the state of a window. An absent file is no failure: without M_Bus.xml there is
// no node, without ParGen.xml no parameter section and a block of defaults.

struct CompiledBanks {
    QByteArray bank;    // bank.bin
    QByteArray bank2;   // bank2.bin, always BankLayout::BlockSize bytes
    QByteArray sources; // what they were compiled from (ImageSources::record), written beside
};

struct CompileResult {
    CompiledBanks banks;
    QString error; // empty on success; else what failed and where
    bool ok() const { return error.isEmpty(); }
};

CompileResult compileBanksFromFiles(const QString& fileMBus, const QString& fileParGen);

// The same compile from file contents already in memory; nullopt stands for an absent file.
// The names only appear in error texts.
CompileResult compileBanksFromBytes(const std::optional<QByteArray>& mbus,
                                    const std::optional<QByteArray>& parGen,
                                    const QString& mbusName = QLatin1String(MBusXml::FileName),
                                    const QString& parGenName = QLatin1String(ParGenXml::FileName));
