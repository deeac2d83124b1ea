#pragma once

#include "core/network/Network.h"

#include <QByteArray>
#include <QString>

// Bytes written as in the standard's examples: "68 15 15 68 ...".
inline QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

inline QString spaced(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// A variable coded as energy in Wh (record code 4, VIF 03) unless told otherwise.
inline TVariabile mbusVariable(int dimension, int type = 0, int scale = 3, int vife = 0) {
    TVariabile v;
    v.Enable = true;
    v.Description = QStringLiteral("Energy");
    v.Type_Of_Data = type;
    v.Dimension = dimension;
    v.Scale = quint16(scale);
    v.VIFE = quint8(vife);
    return v;
}

inline TNodo mbusNode(int primary, qint32 secondary, QList<TVariabile> vars) {
    TNodo n;
    n.Description = QStringLiteral("Heat meter");
    n.Node_Pri = primary;
    n.Node_Sec = secondary;
    n.Var_List = std::move(vars);
    return n;
}
