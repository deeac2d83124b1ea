#pragma once

#include "core/check/ConfigFinding.h"
#include "core/comm/GeneralParameters.h"
#include "core/network/Network.h"

#include <QByteArray>
#include <optional>

// Values that the windows and the image compiler read differently: a number beyond what the
// editor's field holds, a flag the window reads as off. Opening and confirming a window (or a
// spreadsheet round trip) would then change the device image without a word. Each such value
// is found by compiling the files as they are and as the windows would write them back, and
// comparing the images field by field.
namespace ImageAgreement {

struct Files {
    std::optional<QByteArray> mbus;   // nullopt: absent
    std::optional<QByteArray> parGen; // nullopt: absent
    Network network;                  // the editor's reading of `mbus`
    GeneralParameters parameters;     // the settings window's reading of `parGen`
};

// One finding per value: the file's text, what the window would keep and what the image gets.
// A file the compiler refuses while the windows' version compiles is a finding too.
QList<ConfigFinding> disagreements(const Files& files);

} // namespace ImageAgreement
