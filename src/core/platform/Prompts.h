#pragma once

#include <QString>

class QWidget;

// Every message box and file dialog goes through here, so tests can script the answers.
class Prompts {
public:
    virtual ~Prompts() = default;
    // Error symbol, one OK button.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // Warning symbol, one OK button.
    virtual void warning(QWidget* parent, const QString& text) = 0;
    // Yes and No; true for Yes.
    virtual bool question(QWidget* parent, const QString& text) = 0;
    // Empty when the user cancels.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& folder,
                             const QString& filter) = 0;
    // Empty when the user cancels; `suggested` is the path the dialog starts with.
    virtual QString saveFile(QWidget* parent, const QString& caption, const QString& suggested,
                             const QString& filter) = 0;
};
