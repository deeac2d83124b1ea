#pragma once

// The largest network the device holds: 64 nodes of 10 variables, with a VIFE-coded record
// in each node so every coding path is taken.
#include "core/network/Network.h"

inline Network fullNetwork() {
    Network nodes;
    for (int n = 0; n < 64; ++n) {
        Node node;
        node.description = QStringLiteral("Heat meter %1").arg(n + 1);
        node.primary = n + 1;
        node.secondary = 12345600 + n;
        for (int v = 0; v < 10; ++v) {
            Variable var;
            var.enabled = true;
            var.description = QStringLiteral("Energy %1").arg(v + 1);
            var.dataType = v == 9 ? 19 : v;
            var.dimension = 2;
            var.vife = v == 9 ? 38 : 0;
            var.scale = 3;
            var.storageNumber = quint32(v);
            var.modbusSlave = 1 + n % 247;
            var.modbusType = 2;
            var.modbusRegister = n * 20 + v * 2;
            var.modbusCount = 2;
            node.variables.append(var);
        }
        nodes.append(node);
    }
    return nodes;
}
