#pragma once

#include "core/network/CodingTables.h"
#include "core/network/Network.h"
#include "core/network/NetworkRules.h"

#include <QString>

// The node panel as typed.
struct NodePanel {
    QString description;
    QString primary = QStringLiteral("1");
    QString secondary = QStringLiteral("1");
    bool operator==(const NodePanel&) const = default;
};

// The variable panel: texts as typed, lists as positions (-1: nothing selected).
struct VariablePanel {
    bool enable = false;
    QString slaveId;
    int modToD = 0;
    QString modbusRegister;
    QString points;
    int modSwap = 0;
    QString description;
    int type = 0;
    int functionField = 0;
    int dimension = 0;
    QString length;
    bool lengthEnabled = false;
    int unit = 0;
    CodingTables::ScalePanel scale = CodingTables::scaleAfterTypeChange(0, 0);
    QString storageNumber;
    QString tariff;
    int vife = 0;
    bool operator==(const VariablePanel&) const = default;
};

// The numbers the variable checks look at, read from a panel's texts by the number rule.
NetworkRules::VariableNumbers panelNumbers(const VariablePanel& panel);
// The variable a panel describes, as the editor stores it (the length keeps its low eight
// bits; a scale list without selection stores 255).
Variable variableFromPanel(const VariablePanel& panel);
