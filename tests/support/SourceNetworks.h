#pragma once

#include "core/network/Network.h"

// Small networks for the source tests.
inline Variable source(int slave, int type, int address, int points, int dimension = 1,
                       int swap = 0, const char* description = "Value") {
    Variable v;
    v.enabled = true;
    v.description = QString::fromUtf8(description);
    v.dimension = dimension;
    v.modbusSlave = slave;
    v.modbusType = type;
    v.modbusRegister = address;
    v.modbusCount = points;
    v.modbusSwap = swap;
    return v;
}

inline Node node(int primary, QList<Variable> variables, const char* description = "Meter") {
    Node n;
    n.description = QString::fromUtf8(description);
    n.primary = primary;
    n.secondary = 1000 + primary;
    n.variables = std::move(variables);
    return n;
}

// Types of Modbus data (modbusType).
inline constexpr int Coil = 0, InputStatus = 1, Holding = 2, InputRegister = 3;
// M-Bus dimensions.
inline constexpr int Dim16 = 1, Dim32 = 2, DimReal = 6, DimBcd8 = 11;
