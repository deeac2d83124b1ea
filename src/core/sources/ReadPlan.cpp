#include "core/sources/ReadPlan.h"

#include <algorithm>

namespace Sources {

int functionOfType(int modbusType) {
    return modbusType >= 0 && modbusType <= 3 ? modbusType + 1 : 0;
}

namespace {

int limitOf(int function) {
    return function == 1 || function == 2 ? MaxBits : MaxRegisters;
}

Problem problemOf(const SourceVariable& v) {
    // Slave 0 is the broadcast address, which never answers a read.
    if (v.slave < 1 || v.slave > 247)
        return Problem::SlaveId;
    if (v.function == 0)
        return Problem::Type;
    if (v.count < 1 || v.count > limitOf(v.function))
        return Problem::Points;
    if (v.address < 0 || qint64(v.address) + v.count > 65536)
        return Problem::Register;
    return Problem::None;
}

// Covers the variables (all of one slave and function) with as few spans as the limit allows.
// Opening each span at the lowest start not yet covered and taking every variable that ends
// inside it is optimal: no span that covers that variable could hold more.
void group(const ReadPlan& plan, QList<int> members, QList<ReadRequest>& out) {
    std::stable_sort(members.begin(), members.end(), [&](int a, int b) {
        return plan.variables[a].address < plan.variables[b].address;
    });
    while (!members.isEmpty()) {
        const SourceVariable& first = plan.variables[members.first()];
        const int limit = limitOf(first.function);
        ReadRequest request{first.slave, first.function, first.address, 0, {}};
        QList<int> rest;
        int end = first.address;
        for (int m : members) {
            const SourceVariable& v = plan.variables[m];
            if (v.address + v.count - first.address <= limit) {
                request.variables.append(m);
                end = std::max(end, v.address + v.count);
            } else {
                rest.append(m);
            }
        }
        request.count = end - first.address;
        std::sort(request.variables.begin(), request.variables.end());
        out.append(request);
        members = rest;
    }
}

} // namespace

ReadPlan makeReadPlan(const Network& nodes) {
    ReadPlan plan;
    for (int n = 0; n < nodes.size(); ++n) {
        const Node& node = nodes[n];
        for (int i = 0; i < node.variables.size(); ++i) {
            const Variable& var = node.variables[i];
            if (!var.enabled)
                continue;
            SourceVariable v;
            v.node = n;
            v.variable = i;
            v.nodePrimary = node.primary;
            v.nodeDescription = node.description;
            v.variableDescription = var.description;
            v.slave = var.modbusSlave;
            v.type = var.modbusType;
            v.function = functionOfType(var.modbusType);
            v.address = var.modbusRegister;
            v.count = var.modbusCount;
            v.dimension = var.dimension;
            v.swap = var.modbusSwap;
            v.typeOfData = var.dataType;
            v.vife = var.vife;
            v.scale = var.scale;
            v.problem = problemOf(v);
            plan.variables.append(v);
        }
    }
    QList<int> slaves;
    for (const SourceVariable& v : plan.variables)
        if (v.problem == Problem::None && !slaves.contains(v.slave))
            slaves.append(v.slave);
    for (int slave : slaves) {
        for (int function = 1; function <= 4; ++function) {
            QList<int> members;
            for (int i = 0; i < plan.variables.size(); ++i) {
                const SourceVariable& v = plan.variables[i];
                if (v.problem == Problem::None && v.slave == slave && v.function == function)
                    members.append(i);
            }
            group(plan, members, plan.requests);
        }
    }
    return plan;
}

ReadRequest requestFor(const ReadPlan& plan, int variable) {
    const SourceVariable& v = plan.variables[variable];
    return ReadRequest{v.slave, v.function, v.address, v.count, {variable}};
}

QList<ReadRequest> ungroupedRequests(const ReadPlan& plan) {
    QList<ReadRequest> out;
    for (int i = 0; i < plan.variables.size(); ++i)
        if (plan.variables[i].problem == Problem::None)
            out.append(requestFor(plan, i));
    return out;
}

} // namespace Sources
