#pragma once

#include "core/network/Network.h"

#include <QList>
#include <QString>

// What reading the Modbus sources of a network involves: every enabled variable with its
// source, and the requests that cover them.
namespace Sources {

// The most one read request may ask for.
inline constexpr int MaxRegisters = 125;
inline constexpr int MaxBits = 2000;

// Why a source cannot be asked for at all.
enum class Problem { None, SlaveId, Type, Points, Register };

struct SourceVariable {
    int node = 0;     // position in the network
    int variable = 0; // position in the node's list
    int nodePrimary = 0;
    QString nodeDescription;
    QString variableDescription;
    int slave = 1;
    int type = 0;     // modbusType
    int function = 0; // the read function of the type, 0 when the type is outside the list
    int address = 0;
    int count = 1;
    int dimension = 0;
    int swap = 0;
    // The M-Bus coding, for the value the reading system will show.
    int typeOfData = 0;
    int vife = 0;
    int scale = 0;
    Problem problem = Problem::None;

    bool isBits() const { return function == 1 || function == 2; }
};

// One request: a span of one slave's table that holds whole variables.
struct ReadRequest {
    int slave = 1;
    int function = 3;
    int address = 0;
    int count = 1;
    QList<int> variables; // positions in ReadPlan::variables

    bool operator==(const ReadRequest&) const = default;
};

struct ReadPlan {
    QList<SourceVariable> variables; // network order
    QList<ReadRequest> requests;     // by slave in order of first use, then function, address
};

// Coil status 1, input status 2, holding register 3, input register 4; 0 for anything else.
int functionOfType(int modbusType);

// Only enabled variables are read; a source outside what Modbus allows is listed with its
// problem and asked for in no request.
ReadPlan makeReadPlan(const Network& nodes);

// One request per readable variable, for comparison and for reading a group again one by one.
QList<ReadRequest> ungroupedRequests(const ReadPlan& plan);
ReadRequest requestFor(const ReadPlan& plan, int variable);

} // namespace Sources
