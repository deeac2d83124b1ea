#pragma once

#include "core/network/Network.h"

// Small networks for the source tests.
inline TVariabile source(int slave, int type, int address, int points, int dimension = 1,
                         int swap = 0, const char* description = "Value") {
    TVariabile v;
    v.Enable = true;
    v.Description = QString::fromUtf8(description);
    v.Dimension = dimension;
    v.Mod_ID = slave;
    v.Mod_ToD = type;
    v.Mod_NumReg = address;
    v.Mod_NPoint = points;
    v.Mod_Swap = swap;
    return v;
}

inline TNodo node(int primary, QList<TVariabile> variables, const char* description = "Meter") {
    TNodo n;
    n.Description = QString::fromUtf8(description);
    n.Node_Pri = primary;
    n.Node_Sec = 1000 + primary;
    n.Var_List = std::move(variables);
    return n;
}

// Types of Modbus data (Mod_ToD).
inline constexpr int Coil = 0, InputStatus = 1, Holding = 2, InputRegister = 3;
// M-Bus dimensions.
inline constexpr int Dim16 = 1, Dim32 = 2, DimReal = 6, DimBcd8 = 11;
