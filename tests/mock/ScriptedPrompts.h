#pragma once

#include "core/platform/Prompts.h"

#include <QList>
#include <QStringList>

// Strict prompt seam: every box a test expects is declared first, in order, with its text.
// An unexpected box, a different text or a box left unshown fails the test.
class ScriptedPrompts final : public Prompts {
public:
    enum class Kind { Error, Warning, Question, OpenFile, SaveFile };

    ~ScriptedPrompts() override;

    void expectError(const QString& text);
    void expectWarning(const QString& text);
    void expectQuestion(const QString& text, bool answer);
    void expectOpenFile(const QString& result);
    void expectSaveFile(const QString& result);

    // Fails the test for every declared box that has not been shown, then forgets them.
    void verify();

    struct Shown {
        Kind kind;
        QString text;
    };
    const QList<Shown>& shown() const { return shown_; }

    void error(QWidget* parent, const QString& text) override;
    void warning(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& caption, const QString& folder,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& suggested,
                     const QString& filter) override;

private:
    struct Expected {
        Kind kind;
        QString text;
        bool answer = false;
    };
    Expected take(Kind kind, const QString& text);
    QList<Expected> expected_;
    QList<Shown> shown_;
};
