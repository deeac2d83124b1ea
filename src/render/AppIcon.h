#pragma once

#include <QImage>
#include <QList>

// The program's icon: a gateway box on a blue tile, a Modbus line entering on the left and
// M-Bus meters hanging on the right. Drawn for each size, never scaled from another.
namespace AppIcon {

// The sizes of the desktop's icon theme (hicolor) that the installation fills.
inline const QList<int> Sizes = {16, 22, 24, 32, 48, 64, 128, 256};

QImage draw(int size);

} // namespace AppIcon
