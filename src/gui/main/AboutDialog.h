#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
struct Platform;
struct SharedState;

// The product's identification. Its texts are fixed: they name the product, not the language.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(SharedState& state, Platform& platform, QWidget* parent = nullptr);
    void linkClicked();

protected:
private:
    void prepare();
    QLabel* label(const char* name, int x, int y, const QString& text = {});

    SharedState& state_;
    Platform& platform_;
    QLabel* Image2;
    QLabel* Label2;
    QLabel* Label9;
    QLabel* Label10;
    QLabel* Label12;
    QLabel* L_Workspace;
    QLabel* Label4;
    QPushButton* LbButton1;
};
