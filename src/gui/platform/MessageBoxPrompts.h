#pragma once

#include "core/platform/Prompts.h"

class MessageBoxPrompts final : public Prompts {
public:
    void error(QWidget* parent, const QString& text) override;
    void warning(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& caption, const QString& folder,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& suggested,
                     const QString& filter) override;
};
