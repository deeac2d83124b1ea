#pragma once

#include <QIcon>

// The pictures of the buttons, drawn here so that no picture file has to ship.
namespace Pictures {

QIcon information();
QIcon help();
QIcon options();
QIcon close();
QIcon newConfiguration();
QIcon openConfiguration();
QIcon communication();
QIcon network();
QIcon updateDevice();

} // namespace Pictures
