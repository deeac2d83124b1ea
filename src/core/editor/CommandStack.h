#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

// One change of the editor's model that can be taken back and brought again.
class Command {
public:
    virtual ~Command() = default;
    virtual void redo() = 0;
    virtual void undo() = 0;
    QString text() const { return text_; }
    void setText(const QString& text) { text_ = text; }

private:
    QString text_;
};

// The editor's undo history. QUndoStack does the same but lives in Qt Gui since Qt 6, and the
// editor's model links Qt Core only. The stack owns its commands; `push` runs the first redo.
class CommandStack final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~CommandStack() override;

    void push(std::unique_ptr<Command> command);
    void undo();
    void redo();
    void clear();
    void setClean();

    bool isClean() const { return index_ == clean_; }
    int count() const { return int(commands_.size()); }
    int index() const { return index_; }
    bool canUndo() const { return index_ > 0; }
    bool canRedo() const { return index_ < count(); }
    QString undoText() const;
    QString redoText() const;

signals:
    void indexChanged(int index);
    void cleanChanged(bool clean);

private:
    void moveTo(int index, bool wasClean);

    std::vector<std::unique_ptr<Command>> commands_;
    int index_ = 0;
    // -1: the clean state was dropped from the history and cannot be reached again.
    int clean_ = 0;
};
