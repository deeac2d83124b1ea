#include "core/editor/CommandStack.h"

CommandStack::~CommandStack() = default;

void CommandStack::push(std::unique_ptr<Command> command) {
    const bool wasClean = isClean();
    command->redo();
    commands_.resize(index_);
    if (clean_ > index_)
        clean_ = -1;
    commands_.push_back(std::move(command));
    moveTo(count(), wasClean);
}

void CommandStack::undo() {
    if (!canUndo())
        return;
    const bool wasClean = isClean();
    commands_[index_ - 1]->undo();
    moveTo(index_ - 1, wasClean);
}

void CommandStack::redo() {
    if (!canRedo())
        return;
    const bool wasClean = isClean();
    commands_[index_]->redo();
    moveTo(index_ + 1, wasClean);
}

void CommandStack::clear() {
    const bool wasClean = isClean();
    commands_.clear();
    clean_ = 0;
    moveTo(0, wasClean);
}

void CommandStack::setClean() {
    const bool wasClean = isClean();
    clean_ = index_;
    if (!wasClean)
        emit cleanChanged(true);
}

QString CommandStack::undoText() const {
    return canUndo() ? commands_[index_ - 1]->text() : QString();
}

QString CommandStack::redoText() const {
    return canRedo() ? commands_[index_]->text() : QString();
}

void CommandStack::moveTo(int index, bool wasClean) {
    index_ = index;
    emit indexChanged(index_);
    if (isClean() != wasClean)
        emit cleanChanged(isClean());
}
