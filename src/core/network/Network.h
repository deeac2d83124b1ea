#pragma once

#include <QList>
#include <QString>

// One M-Bus data record of a node and the Modbus register that feeds it. The coding fields
// hold positions in the fixed lists of CodingTables.h. The initial values are the ones a
// reader gives to an attribute that is missing or not an integer.
struct TVariabile {
    bool Enable = false;
    QString Description;
    qint32 Type_Of_Data = 0;
    qint32 Function_Field = 0;
    qint32 Dimension = 0;
    qint32 Unita = 0;
    quint32 Storage_Number = 0;
    qint32 Tariff = 0;
    quint8 VIFE = 0;
    quint8 Length = 0;
    // 255: the scale list of the type (and VIFE) is empty. The editor keeps a byte; the field
    // is wider because the compiler takes a hand-edited value as 16 bits.
    quint16 Scale = 0;
    qint32 Mod_ID = 1;
    qint32 Mod_ToD = 0;
    qint32 Mod_NumReg = 1;
    qint32 Mod_NPoint = 1;
    qint32 Mod_Swap = 0;

    bool operator==(const TVariabile&) const = default;
};

// One M-Bus slave that the gateway presents; it owns its variables.
struct TNodo {
    QString Description;
    qint32 Node_Pri = 0;
    qint32 Node_Sec = 0;
    QList<TVariabile> Var_List;

    bool operator==(const TNodo&) const = default;
};

// The network in file order, which is also the order of the editor's tree and of the image.
using TNodi_List = QList<TNodo>;

struct NetworkLoad {
    TNodi_List Nodi_List;
    QString error; // empty on success; else what failed and where
    bool ok() const { return error.isEmpty(); }
};

// The editor's reading of M_Bus.xml. An absent file is an empty network. Fails when the file
// is not well-formed, or when a variable lacks an integer "Type", "Fun_Field" or "Dim".
// Ranges are not enforced: a file may hold any value that fits a field.
NetworkLoad Load_Network(const QString& path);

// The same reading of a file's bytes already in memory; `fileName` names it in failures.
NetworkLoad Read_Network(const QByteArray& bytes, const QString& fileName);

// Replaces the file by a document built from the network; nothing is validated here.
// Returns an empty text on success, else the system's message.
QString Save_Network(const TNodi_List& network, const QString& path);

// The bytes Save_Network writes.
QByteArray Network_Bytes(const TNodi_List& network);
