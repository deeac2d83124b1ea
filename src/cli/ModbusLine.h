#pragma once

#include "core/comm/GeneralParameters.h"
#include "core/network/Network.h"
#include "core/sources/SourceConnection.h"

#include <QString>
#include <QStringList>
#include <optional>

class LanguageTable;
class QTextStream;

// What read-sources, scan and gateway share: the Modbus line options
//   --serial PORT | --tcp HOST[:PORT]  [--baud N] [--parity none|even|odd] [--timeout MS]
// and the configuration folder they read.
struct ModbusLineOptions {
    QString serial;
    QString tcp;
    std::optional<int> baud;
    std::optional<char> parity;
    std::optional<int> timeoutMs;

    enum class Word { NotMine, Taken, Refused };
    // Takes args[i] when it is one of these options, moving i past its value; a refusal says
    // why.
    Word take(const QStringList& args, int& i, QString& why);
    bool oneLine() const { return serial.isEmpty() != tcp.isEmpty(); }

    // The line asked for: a serial line at the configuration's settings, with the baud rate
    // and parity given here; or the TCP address. The time-out is the one given, else
    // `fallbackTimeoutMs`, else the configuration's. Empty after "<command>: <why>" on
    // `err` (an address that is not one, a serial line the configuration's protocol cannot test
    // when `serialMustBeTestable`).
    std::optional<Sources::Connection> connection(const GeneralParameters& parGen,
                                                  bool serialMustBeTestable,
                                                  std::optional<int> fallbackTimeoutMs,
                                                  const LanguageTable& texts, const char* command,
                                                  QTextStream& err) const;
};

// The whole number after the option at args[i], when there is one within low..high.
std::optional<int> optionNumber(const QStringList& args, int i, int low, int high);

struct LoadedConfiguration {
    GeneralParameters parGen;
    Network network;
};

// ParGen.xml and M_Bus.xml of `dir`; empty after "<command>: <file>: <why>" on `err`.
std::optional<LoadedConfiguration> loadConfiguration(const QString& dir, const char* command,
                                                     QTextStream& err);
