#pragma once

#include <QDialog>

class ProgramStarter;
struct Platform;
struct SharedState;

// The update window: serial or Ethernet form, chosen by Form_Type before it is shown.
class TFBoot : public QDialog {
    Q_OBJECT
public:
    TFBoot(SharedState& state, Platform& platform, ProgramStarter& starter,
           QWidget* parent = nullptr);
    int Form_Type = 0;
    void Set_Lang();

private:
    SharedState& state_;
    Platform& platform_;
    ProgramStarter& starter_;
};
