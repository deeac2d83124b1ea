#pragma once

// The largest network the device holds: 64 nodes of 10 variables, with a VIFE-coded record
// in each node so every coding path is taken.
#include "core/network/Network.h"

inline TNodi_List fullNetwork() {
    TNodi_List nodes;
    for (int n = 0; n < 64; ++n) {
        TNodo node;
        node.Description = QStringLiteral("Heat meter %1").arg(n + 1);
        node.Node_Pri = n + 1;
        node.Node_Sec = 12345600 + n;
        for (int v = 0; v < 10; ++v) {
            TVariabile var;
            var.Enable = true;
            var.Description = QStringLiteral("Energy %1").arg(v + 1);
            var.Type_Of_Data = v == 9 ? 19 : v;
            var.Dimension = 2;
            var.VIFE = v == 9 ? 38 : 0;
            var.Scale = 3;
            var.Storage_Number = quint32(v);
            var.Mod_ID = 1 + n % 247;
            var.Mod_ToD = 2;
            var.Mod_NumReg = n * 20 + v * 2;
            var.Mod_NPoint = 2;
            node.Var_List.append(var);
        }
        nodes.append(node);
    }
    return nodes;
}
