#include "update/TFBoot.h"

TFBoot::TFBoot(SharedState& state, Platform& platform, ProgramStarter& starter, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform), starter_(starter) {}

void TFBoot::Set_Lang() {}
